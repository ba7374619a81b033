#include "IScriptHost.h"

#include <chrono>
#include <thread>

void IScriptHost::sleepSlice(unsigned ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
