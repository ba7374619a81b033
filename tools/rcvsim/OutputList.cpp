#include "OutputList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "CmrMessages.h"
#include "CommandParser.h"
#include "NmeaMessages.h"
#include "RtcmMessages.h"
#include "ZrxMessages.h"

namespace rcvsim {

namespace {

const std::vector<std::string> kDefaultSet = {"RT", "RD", "PG", "PO", "VE", "PV", "DP", "SG", "DO", "OO",
                                              "TT", "SI", "NN", "EL", "AZ", "EC", "TC", "SS", "DC", "EE"};
const std::vector<std::string> kRtkMin = {"RT", "PG", "EE"};
const std::vector<std::string> kRtkMax = {"RT", "RD", "PG", "PO", "VE", "PV", "DP", "SG",
                                          "SI", "EL", "AZ", "EC", "TC", "SS", "EE"};

bool kindOf(const std::string& word, StreamKind& k) {
  if (word == "zrx")
    k = StreamKind::Zrx;
  else if (word == "nmea")
    k = StreamKind::Nmea;
  else if (word == "rtcm" || word == "rtcm3")
    k = StreamKind::Rtcm;
  else if (word == "cmr")
    k = StreamKind::Cmr;
  else
    return false;
  return true;
}

// Period text: "", "1", "0.50" or "{1.00,0,-118}"; gives tenths and the wrapper number.
bool parsePeriod(const std::string& text, int& tenths, int& wrap) {
  tenths = 10;
  wrap = -1;
  if (text.empty()) return true;
  std::string first = text;
  if (text.front() == '{') {
    const auto fields = splitTopLevel(text.substr(1, text.size() >= 2 ? text.size() - 2 : 0));
    first = fields.empty() ? "" : fields[0];
    if (fields.size() >= 3) {
      const long n = std::strtol(fields[2].c_str(), nullptr, 10);
      if (n < 0 && n >= -256) wrap = static_cast<int>(-n - 1);
    }
  }
  char* end = nullptr;
  const double secs = std::strtod(first.c_str(), &end);
  if (first.empty() || !end || *end || secs < 0 || secs > 86400) return false;
  tenths = secs == 0 ? 10 : std::max(1, static_cast<int>(std::lround(secs * 10)));
  return true;
}

}  // namespace

const char* kindName(StreamKind k) {
  switch (k) {
    case StreamKind::Zrx:
      return "zrx";
    case StreamKind::Nmea:
      return "nmea";
    case StreamKind::Rtcm:
      return "rtcm";
    case StreamKind::Cmr:
      return "cmr";
  }
  return "";
}

bool OutputList::known(StreamKind kind, const std::string& name) {
  const std::vector<std::string>* names = nullptr;
  switch (kind) {
    case StreamKind::Zrx:
      names = &zrxNames();
      break;
    case StreamKind::Nmea:
      names = &nmeaNames();
      break;
    case StreamKind::Cmr:
    case StreamKind::Rtcm:
      // Any message number is taken; the ones this receiver cannot build stay silent.
      return !name.empty() &&
             std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
  }
  return std::find(names->begin(), names->end(), name) != names->end();
}

bool OutputList::addOne(StreamKind kind, const std::string& name, const std::string& period,
                        std::string& error, std::vector<OutputItem>& into) {
  OutputItem item;
  item.kind = kind;
  item.name = name;
  if (!parsePeriod(period, item.periodTenths, item.wrapTag)) {
    error = "Invalid period " + period;
    return false;
  }
  if (!known(kind, name)) {
    error = std::string("Unknown message ") + kindName(kind) + "/" + name;
    return false;
  }
  into.push_back(item);
  return true;
}

bool OutputList::add(const std::string& list, std::string& error) {
  std::vector<OutputItem> added;
  for (std::string item : splitTopLevel(list)) {
    while (!item.empty() && item.front() == ' ') item.erase(item.begin());
    if (item.empty()) continue;
    if (item.rfind("/msg/", 0) == 0)
      item = item.substr(5);
    else if (item.front() == '/')
      item = item.substr(1);
    const std::size_t brace = item.find('{'), colon = item.find(':');
    // Group form: rtcm{/1:1,/31:1}
    StreamKind k;
    if (brace != std::string::npos && (colon == std::string::npos || brace < colon) &&
        kindOf(item.substr(0, brace), k)) {
      const std::string inner = item.substr(brace + 1, item.size() - brace - 2);
      for (std::string sub : splitTopLevel(inner)) {
        if (!sub.empty() && sub.front() == '/') sub = sub.substr(1);
        const std::size_t c = sub.find(':');
        if (!addOne(k, sub.substr(0, c), c == std::string::npos ? "" : sub.substr(c + 1), error, added))
          return false;
      }
      continue;
    }
    const std::string path = item.substr(0, colon);
    const std::string period = colon == std::string::npos ? "" : item.substr(colon + 1);
    const std::vector<std::string>* set = path == "def"           ? &kDefaultSet
                                          : path == "rtk/zrx/min" ? &kRtkMin
                                          : path == "rtk/zrx/max" ? &kRtkMax
                                                                  : nullptr;
    if (set) {
      for (const auto& n : *set)
        if (!addOne(StreamKind::Zrx, n, period, error, added)) return false;
      continue;
    }
    const std::size_t slash = path.find('/');
    if (slash == std::string::npos) {
      if (!addOne(StreamKind::Zrx, path, period, error, added)) return false;
    } else if (kindOf(path.substr(0, slash), k)) {
      if (!addOne(k, path.substr(slash + 1), period, error, added)) return false;
    } else {
      error = "Unknown message " + path;
      return false;
    }
  }
  for (const OutputItem& a : added) {
    // A message asked for again takes the new period.
    auto same = std::find_if(items_.begin(), items_.end(),
                             [&](const OutputItem& b) { return b.kind == a.kind && b.name == a.name; });
    if (same != items_.end())
      *same = a;
    else
      items_.push_back(a);
  }
  return true;
}

std::string OutputList::describe() const {
  if (items_.empty()) return "none={}";
  // RTCM 3 messages (numbers from 1001 on) are listed under their own format name.
  const auto listedKind = [](const OutputItem& i) {
    return i.kind == StreamKind::Rtcm && std::atoi(i.name.c_str()) > 1000 ? std::string("rtcm3")
                                                                          : std::string(kindName(i.kind));
  };
  std::string out = listedKind(items_.front()) + "={";
  bool first = true;
  for (const OutputItem& i : items_) {
    char period[32];
    std::snprintf(period, sizeof period, "%.2f", i.periodTenths / 10.0);
    if (!first) out += ",";
    if (listedKind(i) != listedKind(items_.front())) out += listedKind(i) + "/";
    out += "/" + i.name + ":" + period;
    first = false;
  }
  return out + "}";
}

std::vector<const OutputItem*> OutputList::due(std::int64_t epochTenths) const {
  std::vector<const OutputItem*> head, body, tail, other;
  for (const OutputItem& i : items_) {
    if (epochTenths % i.periodTenths != 0) continue;
    if (i.kind != StreamKind::Zrx)
      other.push_back(&i);
    else if (i.name == "RT" || i.name == "ET")
      head.push_back(&i);
    else if (i.name == "EE")
      tail.push_back(&i);
    else
      body.push_back(&i);
  }
  // Receiver time before epoch time, then the rest as asked for, epoch end last.
  std::stable_sort(head.begin(), head.end(), [](const OutputItem* a, const OutputItem* b) {
    return a->name == "RT" && b->name != "RT";
  });
  head.insert(head.end(), body.begin(), body.end());
  head.insert(head.end(), tail.begin(), tail.end());
  head.insert(head.end(), other.begin(), other.end());
  return head;
}

}  // namespace rcvsim
