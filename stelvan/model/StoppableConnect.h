#pragma once
// Connecting may search the line speed for most of a minute. This runs the connect procedure
// on the model's own thread and waits for it here, so that a stop ends it at once.
#include <functional>
#include <string>

#include "IReceiverModel.h"

namespace Tellus {

// True when the model is connected; false when the procedure failed (the model's lastError()
// says why) or `stopNow` returned true first (the procedure is cancelled).
bool ConnectStoppable(IReceiverModel& model, const std::string& connection, const std::function<bool()>& stopNow);

}  // namespace Tellus
