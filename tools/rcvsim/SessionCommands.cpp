// The receiver's command set: print, set, em, dm, init, list, remove, create,
// get, put, fld and event. Each handler fills the reply text and returns whether
// the command succeeded; `after` runs once the reply has gone out.
#include <ctime>
#include <map>

#include "CmrMessages.h"
#include "NmeaMessages.h"
#include "RtcmMessages.h"
#include "Session.h"
#include "ZrxMessages.h"

namespace rcvsim {

namespace {

std::string joinBraces(const std::vector<std::string>& names) {
  std::string out = "{";
  for (std::size_t i = 0; i < names.size(); ++i) out += (i ? "," : "") + names[i];
  return out + "}";
}

// "/log/name" (optionally quoted) -> "name"; "" for "/log/" itself; false when not a log path.
bool logName(const std::string& arg, std::string& name) {
  const std::string p = unquote(arg);
  if (p.rfind("/log/", 0) != 0) return false;
  name = p.substr(5);
  return true;
}

// "/log/name:{timeout,block},offset" -> parts.
bool transferArgs(const std::string& a, std::string& name, int& block, long& offset) {
  const std::size_t colon = a.find(":{");
  if (colon == std::string::npos || !logName(a.substr(0, colon), name)) return false;
  int timeout = 0;
  if (std::sscanf(a.c_str() + colon + 1, "{%d,%d},%ld", &timeout, &block, &offset) != 3) return false;
  return block > 0 && block <= 65535 - 6 && offset >= 0;
}

}  // namespace

void Session::execute(const Command& c) {
  if (c.badSeal) {
    reply(c, false, "Checksum error");
    return;
  }
  rcv_.noteCommand(c.text);
  if (c.text.empty()) {
    reply(c, true, "");
    return;
  }
  static const std::map<std::string, Handler> handlers = {
      {"print", &Session::cmdPrint},   {"set", &Session::cmdSet},       {"em", &Session::cmdEm},
      {"dm", &Session::cmdDm},         {"init", &Session::cmdInit},     {"list", &Session::cmdList},
      {"remove", &Session::cmdRemove}, {"create", &Session::cmdCreate}, {"get", &Session::cmdGet},
      {"put", &Session::cmdPut},       {"fld", &Session::cmdFld},       {"event", &Session::cmdEvent},
  };
  const std::size_t comma = c.text.find(',');
  const std::string verb = c.text.substr(0, comma);
  const std::string args = comma == std::string::npos ? std::string() : c.text.substr(comma + 1);
  auto h = handlers.find(verb);
  if (h == handlers.end()) {
    reply(c, false, "Unknown command " + verb);
    return;
  }
  std::string text;
  std::function<void()> after;
  const bool ok = (this->*(h->second))(args, text, after);
  reply(c, ok, text, std::move(after));
}

std::string Session::portPath(const std::string& path) const {
  // "/par/cur/term/..." names the parameters of the port this command came through.
  static const std::string cur = "/par/cur/term";
  if (path.rfind(cur, 0) == 0) return "/par" + port_ + path.substr(cur.size());
  return path;
}

std::string Session::fileList() const {
  std::string out = "{";
  bool first = true;
  for (const auto& f : rcv_.files().list()) {
    out += (first ? "{" : ",{") + f.name + "," + std::to_string(f.size) + "," + std::to_string(f.time) + "}";
    first = false;
  }
  return out + "}";
}

bool Session::printSpecial(const std::string& path, const std::string& attr, std::string& r, bool& handled) {
  handled = true;
  std::string name;
  if (logName(path, name)) {
    if (name.empty() && attr.rfind("[", 0) == 0) return r = fileList(), true;
    if (name.empty()) {
      std::vector<std::string> names;
      for (const auto& f : rcv_.files().list()) names.push_back(f.name);
      return r = joinBraces(names), true;
    }
    const std::int64_t size = rcv_.files().size(name);
    if (size < 0) return r = "No such file /log/" + name, false;
    if (attr == "size") return r = std::to_string(size), true;
    for (const auto& f : rcv_.files().list())
      if (f.name == name)
        r = "{" + f.name + "," + std::to_string(f.size) + "," + std::to_string(f.time) + "}";
    return true;
  }
  if (path == "/cur/term") return r = port_, true;
  if (path == "/cur/log") {
    if (attr.empty()) return r = rcv_.currentLog, true;
    if (rcv_.currentLog.empty()) return r = "No current log file", false;
    return r = std::to_string(std::max<std::int64_t>(0, rcv_.files().size(rcv_.currentLog))), true;
  }
  if (path == "/dev/blk/a" && attr == "block_size") return r = "512", true;
  if (path == "/dev/blk/a" && attr == "blocks")
    return r = std::to_string(rcv_.files().capacity() / 512), true;
  if (path == "/par/rcv/uptime") return r = std::to_string(rcv_.uptimeMs() / 1000), true;
  if (path == "/par/time/utc" || path == "/par/time/utc/") {
    const std::int64_t ms = rcv_.utcMs();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    gmtime_r(&secs, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "{%04d-%02d-%02d,%02d:%02d:%02d.%03d}", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
    return r = buf, true;
  }
  if (path == "/par/net:on") {
    // Network state: the addresses and the clients of the TCP ports.
    std::string addr, mask, gw;
    rcv_.params().get("/par/net/ip/addr", addr);
    rcv_.params().get("/par/net/ip/mask", mask);
    rcv_.params().get("/par/net/ip/gw", gw);
    const std::string clients = rcv_.tcpPeer.empty() ? "" : "{" + rcv_.tcpPeer + ",dev=a}";
    return r = "{ip={addr=" + addr + ",mask=" + mask + ",gw=" + gw + "},stat={tcpd={" + clients +
               "},ftpd={}}}",
           true;
  }
  const std::string out = "/par/out";
  if (path.rfind(out, 0) == 0 && attr.empty() && path.size() > out.size() + 3 &&
      path.substr(path.size() - 3) == ":on") {
    const std::string port = path.substr(out.size(), path.size() - out.size() - 3);
    if (port == port_ || port == "/cur/term") return r = outputs_.describe(), true;
    auto it = otherPorts_.find(port);
    return r = it == otherPorts_.end() ? OutputList().describe() : it->second.describe(), true;
  }
  handled = false;
  return false;
}

bool Session::cmdPrint(const std::string& a, std::string& r, std::function<void()>&) {
  const std::size_t amp = a.find('&');
  std::string path = ParamTree::normalise(a.substr(0, amp));
  const std::string attr = amp == std::string::npos ? std::string() : a.substr(amp + 1);
  auto lock = rcv_.lock();
  rcv_.refreshFileFigures();
  bool handled = false;
  const bool ok = printSpecial(path, attr, r, handled);
  if (handled) return ok;
  path = portPath(path);
  if (attr == "def") {
    if (rcv_.params().getDefault(path, r)) return true;
  } else if (rcv_.params().get(path, r)) {
    if (r.empty()) r = "\"\"";  // an empty text is shown as one
    return true;
  } else if (!path.empty() && path.back() == '/' && rcv_.params().listing(path, r)) {
    return true;
  }
  r = "Unknown parameter " + path;
  return false;
}

bool Session::cmdSet(const std::string& a, std::string& r, std::function<void()>& after) {
  const std::size_t comma = a.find(',');
  if (comma == std::string::npos) return r = "Missing value", false;
  const std::string raw = a.substr(0, comma), value = a.substr(comma + 1);
  if (raw == "reset") {
    if (unquote(value) != "yes") return r = "Invalid value '" + value + "' for reset", false;
    after = [this] { restart(); };
    return true;
  }
  const std::string path = portPath(ParamTree::normalise(raw));
  auto lock = rcv_.lock();
  if (path == "/par/pos/pd/reset" || path == "/par/dev/event/a/lock" || path == "/par/dev/event/b/lock") {
    // Actions rather than settings: they are taken and leave the value as it was. A saved
    // setup writes the event locks back as "off", which does nothing.
    const bool eventLock = path.find("event") != std::string::npos;
    if (eventLock && unquote(value) == "off") return true;
    if (unquote(value) != "on") return r = "Invalid value '" + value + "' for " + path, false;
    if (path.find("event") != std::string::npos)
      rcv_.params().put(path.substr(0, path.size() - 4) + "locked", "yes");
    return true;
  }
  if (!rcv_.params().set(path, value, r)) return false;
  if (path == "/par/frq/mode") {
    // An external frequency in use is soon locked on, with its amplitude measured.
    const bool used = unquote(value) == "use";
    rcv_.params().put("/par/frq/in/status", used ? "locked" : "none");
    rcv_.params().put("/par/frq/in/amp", used ? "420" : "0");
  }
  if (serialPort() && path == "/par" + port_ + "/rate") {
    // The new speed applies once the reply has gone out at the old one.
    const int rate = std::atoi(value.c_str());
    after = [this, rate] {
      if (wire_.speed()) wire_.speed()->setRate(rate);
    };
  }
  return true;
}

bool Session::cmdEm(const std::string& a, std::string& r, std::function<void()>&) {
  const std::size_t comma = a.find(',');
  std::string port = a.substr(0, comma);
  const std::string list = comma == std::string::npos ? std::string() : a.substr(comma + 1);
  OutputList* target = &outputs_;
  if (port == "/cur/log") {
    auto lock = rcv_.lock();
    if (rcv_.currentLog.empty()) return r = "No current log file", false;
    target = &logOutputs_;
  } else if (!port.empty() && port != "/cur/term" && port != port_) {
    if (port.rfind("/dev/", 0) != 0) return r = "Unknown port " + port, false;
    target = &otherPorts_[port];
  }
  return target->add(list.empty() ? std::string("/msg/def") : list, r);
}

bool Session::cmdDm(const std::string& a, std::string& r, std::function<void()>&) {
  if (a.empty() || a == "/cur/term" || a == port_) {
    outputs_.clear();
  } else if (a == "/cur/log") {
    logOutputs_.clear();
    auto lock = rcv_.lock();
    rcv_.currentLog.clear();
  } else if (a.rfind("/dev/", 0) == 0) {
    otherPorts_.erase(a);
  } else {
    return r = "Unknown port " + a, false;
  }
  return true;
}

bool Session::cmdInit(const std::string& a, std::string& r, std::function<void()>& after) {
  if (a == "/par/" || a == "/par") {
    after = [this] {
      auto lock = rcv_.lock();
      rcv_.params().reset();
      if (wire_.speed()) wire_.speed()->setRate(rcv_.options().rate);
    };
    return true;
  }
  if (a == "/dev/nvm/a") {
    after = [this] { restart(); };
    return true;
  }
  if (a == "/dev/blk/a") {
    auto lock = rcv_.lock();
    rcv_.startFsInit();
    logOutputs_.clear();
    return true;
  }
  r = "Unknown device " + a;
  return false;
}

bool Session::cmdList(const std::string& a, std::string& r, std::function<void()>&) {
  if (a == "/msg/zrx") return r = joinBraces(zrxNames()), true;
  if (a == "/msg/nmea") return r = joinBraces(nmeaNames()), true;
  if (a == "/msg/rtcm" || a == "/msg/rtcm3") return r = joinBraces(rtcmNames()), true;
  if (a == "/msg/cmr") return r = joinBraces(cmrNames()), true;
  r = "Unknown list " + a;
  return false;
}

bool Session::cmdRemove(const std::string& a, std::string& r, std::function<void()>&) {
  std::string name;
  if (!logName(a, name)) return r = "Unknown path " + a, false;
  auto lock = rcv_.lock();
  if (name.empty()) {
    rcv_.files().removeAll();
    rcv_.currentLog.clear();
    logOutputs_.clear();
  } else if (!rcv_.files().remove(name)) {
    return r = "No such file /log/" + name, false;
  } else if (name == rcv_.currentLog) {
    rcv_.currentLog.clear();
    logOutputs_.clear();
  }
  rcv_.refreshFileFigures();
  return true;
}

bool Session::cmdCreate(const std::string& a, std::string& r, std::function<void()>&) {
  std::string name;
  if (!logName(a, name) || !LogFileSystem::validName(name)) return r = "Invalid file name " + a, false;
  auto lock = rcv_.lock();
  if (rcv_.files().exists(name)) return r = "File exists /log/" + name, false;
  if (!rcv_.files().write(name, std::string())) return r = "Cannot create /log/" + name, false;
  rcv_.currentLog = name;
  rcv_.refreshFileFigures();
  return true;
}

bool Session::cmdGet(const std::string& a, std::string& r, std::function<void()>& after) {
  std::string name, data;
  int block = 0;
  long offset = 0;
  if (!transferArgs(a, name, block, offset)) return r = "Invalid arguments " + a, false;
  {
    auto lock = rcv_.lock();
    if (!rcv_.files().read(name, data)) return r = "No such file /log/" + name, false;
  }
  if (static_cast<std::size_t>(offset) > data.size())
    return r = "Offset beyond the end of /log/" + name, false;
  data.erase(0, static_cast<std::size_t>(offset));
  download_ =
      std::make_unique<DownloadSender>(std::move(data), static_cast<std::size_t>(block),
                                       rcv_.faults().badCrcBlock.load(), rcv_.faults().badCrcTimes.load());
  mode_ = Mode::Download;
  transferBytes_ = 0;
  lastTransferMs_ = Receiver::steadyMs();
  after = [] {};
  return true;
}

bool Session::cmdPut(const std::string& a, std::string& r, std::function<void()>& after) {
  std::string name;
  int block = 0;
  long offset = 0;
  if (!transferArgs(a, name, block, offset) || !LogFileSystem::validName(name))
    return r = "Invalid arguments " + a, false;
  std::int64_t space;
  {
    auto lock = rcv_.lock();
    space = rcv_.files().freeSpace() + std::max<std::int64_t>(0, rcv_.files().size(name));
  }
  upload_ = std::make_unique<UploadReceiver>(static_cast<std::size_t>(block), space);
  uploadName_ = name;
  mode_ = Mode::Upload;
  transferBytes_ = 0;
  uploadStarted_ = false;
  lastTransferMs_ = Receiver::steadyMs();
  // The first NAK follows the reply and asks for block 0.
  lastNakMs_ = lastTransferMs_ - kUploadNakMs;
  after = [] {};
  return true;
}

bool Session::cmdFld(const std::string& a, std::string& r, std::function<void()>& after) {
  const std::size_t comma = a.find(',');
  std::string name;
  if (comma == std::string::npos || !logName(a.substr(comma + 1), name))
    return r = "Invalid arguments " + a, false;
  auto lock = rcv_.lock();
  if (a.substr(0, comma) != rcv_.options().rcvid) return r = "Wrong receiver id " + a.substr(0, comma), false;
  if (!rcv_.files().exists(name)) return r = "No such file /log/" + name, false;
  after = [this] { restart(); };
  return true;
}

bool Session::cmdEvent(const std::string& a, std::string& r, std::function<void()>&) {
  const std::string text = unquote(a);
  if (text.find('=') == std::string::npos) return r = "Invalid event " + a, false;
  rcv_.trace().note("event " + text);
  return true;
}

void Session::restart() {
  auto lock = rcv_.lock();
  rcv_.reboot();
  rcv_.currentLog.clear();
}

}  // namespace rcvsim
