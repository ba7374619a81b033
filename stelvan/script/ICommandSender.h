#pragma once
// One receiver exchange as the script interpreter and the configuration pages see it: a command
// goes out, its reply text comes back. Called on one thread at a time.
#include <string>

class ICommandSender {
 public:
  virtual ~ICommandSender() = default;
  // True when the receiver accepted the command; `reply` holds the reply text either way
  // ("RE..." from the receiver, "ER..." for a refusal or a failed exchange). timeoutMs bounds
  // the wait for the reply; 0 leaves only the link's own bound.
  virtual bool SendCommand(const std::string& command, unsigned timeoutMs, std::string& reply) = 0;
};
