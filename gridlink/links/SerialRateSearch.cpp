// The receiver search over the line speeds and the switch to the requested speed.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "gridlink/platform/Clock.h"
#include "links/CSerialConnection.h"

namespace {

// Replies of texts sent without waiting come back on their own time; let them land first.
constexpr std::uint32_t kQuietMs = 100;
constexpr std::uint32_t kQuietMaxMs = 700;

}  // namespace

bool CSerialConnection::probeRate(std::uint32_t rate) {
  std::string reply;
  SendCommand("##\n#OFF#\r\ndm\r\n", reply, 0);
  SendCommand("set,/par/cur/term/rtscts,off", reply, 0);
  Platform::Sleep(300);
  WaitQuiet(kQuietMs, kQuietMaxMs);
  char command[32];
  std::snprintf(command, sizeof command, "%%%u%%dm", rate);
  const bool ok = SendCommand(command, reply, 500);
  // Any answer of the receiver's own, even an error frame, means it heard us at this speed.
  return ok || reply.compare(0, 3, "ER:") != 0;
}

std::uint32_t CSerialConnection::searchReceiver(std::uint32_t requested) {
  const auto rates = SetRequestedRate(requested);
  std::uint32_t found = 0;
  for (std::uint32_t rate : rates) {
    if (auto abort = Owner().DetectAbort()) {
      std::int32_t progress[2] = {8, static_cast<std::int32_t>(rate)};
      if (abort(progress)) {
        SetStatusText("ER:Aborted by user!");
        return 0;
      }
    }
    if (LinkLost()) break;
    if (SetBaudRate(rate) && probeRate(rate)) {
      found = rate;
      break;
    }
  }
  if (found == 0) {
    SetStatusText(LinkLost() ? StatusText() : "ER:Can't find receiver");
    return 0;
  }
  Platform::Sleep(699);
  WaitQuiet(kQuietMs, kQuietMaxMs);
  std::string reply;
  if (SendCommand("print,/cur/term", reply, 999)) {
    char port = 0;
    if (reply.size() <= 5 || std::sscanf(reply.c_str() + 5, "/dev/ser/%c", &port) != 1 || port < 'a' ||
        port > 'd') {
      m_CheckRemotePort = false;  // reached through another of its ports: leave its line alone
      return 1;
    }
  }
  std::uint32_t remote = requested;
  if (SendCommand("print,cur/term/rate", reply, 500) && reply.size() > 5) {
    const unsigned long r = std::strtoul(reply.c_str() + 5, nullptr, 10);
    if (r != 0) remote = static_cast<std::uint32_t>(r);
  }
  if (remote != requested && !adjustRemoteRate(found, requested)) return 0;
  return found;
}

bool CSerialConnection::adjustRemoteRate(std::uint32_t found, std::uint32_t requested) {
  if (!SetBaudRate(requested)) {
    SetStatusText("Your COM port does not support");
    SetBaudRate(found);
    return false;
  }
  SetBaudRate(found);
  std::string reply;
  if (!SendCommand("%%set,cur/term/rate," + RateText(), reply, 29999)) {
    SetStatusText("Can't change speed");
    return false;
  }
  SetBaudRate(requested);
  return true;
}
