#include "CScriptInterpreter.h"

#include <cstdio>
#include <filesystem>

using namespace ScriptText;

namespace {
bool startsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}
}  // namespace

bool CScriptInterpreter::run(const std::string& argument, int depth) {
  if (depth > kMaxDepth) {
    lastFailure_ = "Too deep call level (200)!";
    host_.showStatus(lastFailure_);
    return true;
  }
  Level level;
  const std::vector<std::string> tokens = tokenise(argument);
  for (std::size_t i = 0; i < tokens.size(); ++i) level.vars[i] = tokens[i];
  level.name = level.vars[0];
  // The extension is looked for in the file's own name, not in the folders before it.
  if (std::filesystem::path(level.name).filename().string().find('.') == std::string::npos)
    level.name += kExtension;
  if (level.vars[0].empty() || !readScriptFile(resolve(level.name), level.text)) {
    lastFailure_ = "Unable to open " + level.name;
    host_.showStatus(lastFailure_);
    return true;
  }
  if (depth == 0) host_.scriptRunning(true);
  host_.showProgress("Executing " + level.name + "...");
  abort_ = false;
  runLines(level, depth);
  if (depth == 0) host_.scriptRunning(false);
  host_.showStatus(level.resultText);
  lastFailure_ = level.resultText;
  return level.result;
}

std::string CScriptInterpreter::resolve(const std::string& name) const {
  const std::filesystem::path p(name);
  if (p.is_absolute() || scriptDir_.empty()) return name;
  return (std::filesystem::path(scriptDir_) / p).string();
}

void CScriptInterpreter::runLines(Level& level, int depth) {
  while (!level.stopped && level.next < level.text.size()) {
    std::size_t eol = level.text.find('\n', level.next);
    if (eol == std::string::npos) eol = level.text.size();
    std::string line = level.text.substr(level.next, eol - level.next);
    level.next = eol + 1;
    host_.pump();
    if (abort_) {
      level.resultText = "Aborted by user!";
      return;
    }
    line = trim(line);
    if (!line.empty()) execute(level, line, depth);
  }
}

void CScriptInterpreter::execute(Level& level, const std::string& raw, int depth) {
  host_.showProgress(raw);
  const bool literal = startsWith(raw, "@default") || startsWith(raw, "@set") || startsWith(raw, "@send");
  const std::string line = literal ? raw : substitute(raw, level.vars);
  if (level.echo && !startsWith(line, "@echo")) host_.appendLine(">" + line);
  if (startsWith(line, "#") || startsWith(line, "@:")) return;
  if (line[0] == '@')
    command(level, line, depth);
  else
    receiverCommand(level, line);
}

void CScriptInterpreter::receiverCommand(Level& level, const std::string& line) {
  std::string reply;
  const bool ok = sender_.SendCommand(line, level.timeoutMs, reply);
  host_.appendLine(reply);
  if (!ok && level.stopOnErrors) {
    level.resultText = "An error reply from the receiver";
    host_.appendLine(">Stop receiver reply : " + level.resultText);
    level.result = true;
    level.stopped = true;
    return;
  }
  level.vars[0] = ok ? replyValue(reply) : std::string();
}

void CScriptInterpreter::command(Level& level, const std::string& line, int depth) {
  const std::vector<std::string> t = tokenise(std::string_view(line).substr(1));
  if (t.empty()) return;
  const std::string name = lower(t[0]);
  const std::size_t n = t.size();
  if (name == "echo") {
    const std::string mode = n == 2 ? lower(t[1]) : std::string();
    if (mode == "on" || mode == "off")
      level.echo = mode == "on";
    else
      host_.appendLine(">" + (line.size() > 5 ? line.substr(5) : std::string()));
  } else if (name == "disconnect" || name == "exit") {
    level.result = true;
    level.stopped = true;
  } else if (name == "stop") {
    level.stopped = true;
  } else if (name == "clear") {
    host_.clearReplies();
  } else if (name == "goto" && n == 2) {
    jump(level, lower(t[1]));
  } else if (name == "call") {
    if (run(trim(line.size() > 5 ? line.substr(5) : std::string()), depth + 1)) {
      level.result = true;
      level.stopped = true;
      level.resultText = lastFailure_;  // the called script's own text stays in the status line
    }
  } else if (name == "sleep" && (n == 1 || n == 2)) {
    int ms = 1000;
    if (n == 2 && std::sscanf(t[1].c_str(), "%d", &ms) != 1) ms = 1000;
    sleep(level, ms > 0 ? static_cast<unsigned>(ms) : 0);
  } else if (name == "timeout" && n == 2) {
    int ms = 0;
    if (std::sscanf(t[1].c_str(), "%d", &ms) == 1) level.timeoutMs = ms > 0 ? static_cast<unsigned>(ms) : 0;
  } else if (name == "default" && n == 3) {
    const int i = argumentIndex(t[1]);
    if (i > 0 && level.vars[i].empty()) level.vars[i] = t[2];
  } else if (name == "stoponerrors" && n == 2) {
    level.stopOnErrors = t[1] == "on";
  } else if (name == "set" && n == 3) {
    const int i = argumentIndex(t[1]);
    if (i < 0) return;
    std::string v = substitute(t[2], level.vars);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    level.vars[i] = v;
  }
  // "send" and anything unknown do nothing.
}

void CScriptInterpreter::jump(Level& level, const std::string& label) {
  const std::string wanted = "@:" + label;
  for (std::size_t at = level.text.find("@:"); at != std::string::npos; at = level.text.find("@:", at + 2)) {
    std::size_t eol = level.text.find('\n', at);
    if (eol == std::string::npos) eol = level.text.size();
    // Substituted before lowering, so a value in capitals still meets its label.
    if (lower(substitute(trim(level.text.substr(at, eol - at)), level.vars)) == wanted) {
      level.next = eol + 1;
      return;
    }
  }
}

void CScriptInterpreter::sleep(Level& level, unsigned ms) {
  for (unsigned left = ms; left > 0 && !abort_;) {
    char text[48];
    std::snprintf(text, sizeof text, "Sleeping: %u ms left", left);
    host_.showProgress(text);
    const unsigned slice = left < kSleepSliceMs ? left : kSleepSliceMs;
    host_.sleepSlice(slice);
    host_.pump();
    left -= slice;
  }
  host_.showProgress("Executing " + level.name + "...");
}
