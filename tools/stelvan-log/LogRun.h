#pragma once
// One stelvan-log run: connects, logs, and keeps the line. A line that is cut (a read
// error, a hang-up, or no byte for the silence time) ends the open file, is reconnected
// with a doubling wait on the same connection string (a device link is opened afresh),
// and logging goes on in the next file; the gap is reported with its length.
#include <atomic>
#include <functional>
#include <string>

#include "IReceiverModel.h"
#include "LogOptions.h"

namespace stelvanlog {

// Where lines go: progress to standard output, faults to standard error, one plain line
// each (fit for a system journal), never interleaved.
class Journal {
 public:
  void info(const std::string& line);
  void error(const std::string& line);
};

// The exit status: 0 after a stop or the end of --seconds, 1 when the receiver could not
// be reached or refused the messages at the start.
// `tap` rides on the receiver's stream beside the files: called with true once the
// first connection logs, with false before the run lets the receiver go.
using StreamTap = std::function<void(Tellus::IReceiverModel&, bool attach)>;
int RunLogger(const Options& o, Journal& journal, const std::atomic<bool>& stop, const StreamTap& tap = {});

}  // namespace stelvanlog
