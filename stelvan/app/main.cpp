#include <QApplication>
#include <cstdio>

#include "program/RunProgram.h"
#include "shell/StartOptions.h"

int main(int argc, char** argv) {
  const StartOptions options = StartOptions::Parse(argc, argv);
  if (options.help) {
    std::fputs(StartOptions::HelpText(), stdout);
    return 0;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "stelvan: %s\n%s", options.error.c_str(), StartOptions::HelpText());
    return 2;
  }
  QApplication qapp(argc, argv);
  return RunProgram(qapp, options);
}
