#include "ZrxMessages.h"

#include <cmath>
#include <ctime>
#include <functional>
#include <map>

#include "ReplyFramer.h"

namespace rcvsim {

namespace {

using Body = std::function<std::string(const SkyEpoch&)>;

std::string perSat(const SkyEpoch& ep, const std::function<void(std::string&, const SatView&)>& put) {
  std::string b;
  for (const SatView& s : ep.sats) put(b, s);
  return b;
}

unsigned clampU1(double v) {
  return v < 0 ? 0 : v > 254 ? 254 : static_cast<unsigned>(std::lround(v));
}

// Signal-to-noise of one of the extra signals; 255 where the system has none.
unsigned snrOf(const SatView& s, int signal) {
  switch (signal) {
    case 0:
      return clampU1(s.snr);
    case 1:
      return s.sys == Gnss::Sbas ? 255 : clampU1(s.snr - 3);  // P/L1
    case 2:
      return s.sys == Gnss::Sbas ? 255 : clampU1(s.snr - 6);  // L2
    case 3:
      return s.sys == Gnss::Gps ? clampU1(s.snr - 4) : 255;  // L2C
    default:
      return s.sys == Gnss::Gps || s.sys == Gnss::Galileo ? clampU1(s.snr + 1) : 255;  // L5/E5a
  }
}

const std::map<std::string, Body>& bodies() {
  static const std::map<std::string, Body> table = {
      {"RT",
       [](const SkyEpoch& e) {
         std::string b;
         putU4(b, static_cast<std::uint32_t>(e.utcMs % 86400000));
         return b;
       }},
      {"ET",
       [](const SkyEpoch& e) {
         std::string b;
         putU4(b, static_cast<std::uint32_t>(e.utcMs % 86400000));
         return b;
       }},
      {"EE", [](const SkyEpoch&) { return std::string(); }},
      {"RD",
       [](const SkyEpoch& e) {
         const std::time_t secs = static_cast<std::time_t>(e.utcMs / 1000);
         std::tm tm{};
         gmtime_r(&secs, &tm);
         std::string b;
         putU2(b, static_cast<unsigned>(tm.tm_year + 1900));
         putU1(b, static_cast<unsigned>(tm.tm_mon + 1));
         putU1(b, static_cast<unsigned>(tm.tm_mday));
         putU1(b, 0);  // time scale: GPS
         return b;
       }},
      {"PG",
       [](const SkyEpoch& e) {
         std::string b;
         putF8(b, e.sol.geo.lat);
         putF8(b, e.sol.geo.lon);
         putF8(b, e.sol.geo.h);
         putF4(b, e.sol.posSigma);
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"PO",
       [](const SkyEpoch& e) {
         std::string b;
         putF8(b, e.sol.xyz.x);
         putF8(b, e.sol.xyz.y);
         putF8(b, e.sol.xyz.z);
         putF4(b, e.sol.posSigma);
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"VE",
       [](const SkyEpoch& e) {
         std::string b;
         putF4(b, static_cast<float>(e.sol.vel.x));
         putF4(b, static_cast<float>(e.sol.vel.y));
         putF4(b, static_cast<float>(e.sol.vel.z));
         putF4(b, e.sol.velSigma);
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"PV",
       [](const SkyEpoch& e) {
         std::string b;
         putF8(b, e.sol.xyz.x);
         putF8(b, e.sol.xyz.y);
         putF8(b, e.sol.xyz.z);
         putF4(b, e.sol.posSigma);
         putF4(b, static_cast<float>(e.sol.vel.x));
         putF4(b, static_cast<float>(e.sol.vel.y));
         putF4(b, static_cast<float>(e.sol.vel.z));
         putF4(b, e.sol.velSigma);
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"DP",
       [](const SkyEpoch& e) {
         std::string b;
         putF4(b, e.sol.hdop);
         putF4(b, e.sol.vdop);
         putF4(b, e.sol.tdop);
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"SG",
       [](const SkyEpoch& e) {
         std::string b;
         putF4(b, e.sol.hSigma);
         putF4(b, e.sol.vSigma);
         putF4(b, e.sol.hvSigma);
         putF4(b, e.sol.vvSigma);
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"DO",
       [](const SkyEpoch& e) {
         std::string b;
         putF4(b, e.sol.clockDrift);
         return b;
       }},
      {"OO",
       [](const SkyEpoch& e) {
         std::string b;
         putF4(b, e.sol.oscOffset);
         return b;
       }},
      {"TT",
       [](const SkyEpoch& e) {
         std::uint32_t longest = 0;
         for (const SatView& s : e.sats) longest = std::max(longest, s.lockSec);
         std::string b;
         putU4(b, longest);
         return b;
       }},
      {"SI",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) { putU1(b, static_cast<unsigned>(s.index)); });
       }},
      {"NN",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) {
           putU1(b, s.sys == Gnss::Glonass ? static_cast<unsigned>(s.number) : 255u);
         });
       }},
      {"EL",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) {
           putU1(b, static_cast<unsigned>(static_cast<int>(std::lround(s.elDeg)) & 0xFF));
         });
       }},
      {"AZ",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) {
           putU1(b, static_cast<unsigned>(std::lround(s.azDeg / 2.0)) % 180);
         });
       }},
      {"EC",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) { putU1(b, snrOf(s, 0)); });
       }},
      {"E1",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) { putU1(b, snrOf(s, 1)); });
       }},
      {"E2",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) { putU1(b, snrOf(s, 2)); });
       }},
      {"E3",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) { putU1(b, snrOf(s, 3)); });
       }},
      {"E5",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) { putU1(b, snrOf(s, 4)); });
       }},
      {"TC",
       [](const SkyEpoch& e) {
         return perSat(
             e, [](std::string& b, const SatView& s) { putU2(b, s.lockSec > 0xFFFE ? 0xFFFEu : s.lockSec); });
       }},
      {"SS",
       [](const SkyEpoch& e) {
         std::string b =
             perSat(e, [](std::string& x, const SatView& s) { putU1(x, s.sys == Gnss::Sbas ? 1u : 0u); });
         putU1(b, static_cast<unsigned>(e.sol.type));
         return b;
       }},
      {"DC",
       [](const SkyEpoch& e) {
         return perSat(e, [](std::string& b, const SatView& s) {
           putU4(b,
                 static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(s.dopplerHz * 10000.0))));
         });
       }},
  };
  return table;
}

// Signal value as the status messages give it: 0 where the satellite has no such signal.
int statusSignal(const SatView& s, int signal) {
  const unsigned v = snrOf(s, signal);
  return v == 255 ? 0 : static_cast<int>(v);
}

// The GPS ("GS") and GLONASS ("NS") satellite status texts: the entry count, then per
// satellite its number (GLONASS: slot and frequency channel), elevation, azimuth, five
// signal values in braces and a status value.
std::string satelliteStatus(const SkyEpoch& ep, bool glonass) {
  std::string entries;
  int count = 0;
  for (const SatView& s : ep.sats) {
    if (s.sys != (glonass ? Gnss::Glonass : Gnss::Gps)) continue;
    const int el = static_cast<int>(std::lround(s.elDeg));
    const int az = static_cast<int>(std::lround(s.azDeg)) % 360;
    std::string e = "{" + std::to_string(s.number) + ",";
    if (glonass) e += std::to_string(s.gloChannel) + ",";
    e += std::to_string(el) + "," + std::to_string(az) + ",{";
    for (int k = 0; k < 5; ++k) e += (k ? "," : "") + std::to_string(statusSignal(s, k));
    e += "}," + std::to_string(s.snr > 0 ? 1 : 0) + "}";
    entries += (count ? "," : "") + e;
    ++count;
  }
  return std::string(glonass ? ",GLSVST," : ",GPSVST,") + std::to_string(count) + "," + entries + ",@";
}

}  // namespace

std::string zrxStreamId(const std::string& name) {
  if (name == "RT") return "~~";
  if (name == "ET") return "::";
  if (name == "EV") return "==";
  if (name == "EE") return "||";
  return name;
}

const std::vector<std::string>& zrxNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const auto& [name, body] : bodies()) n.push_back(name);
    n.push_back("MS");
    n.push_back("GS");
    n.push_back("NS");
    return n;
  }();
  return names;
}

std::string zrxMessage(const std::string& name, const SkyEpoch& ep) {
  if (name == "MS") return hexTextFrame("MS", ",RTCMST,999,0000,0000,100.00,@");  // no corrections received
  if (name == "GS" || name == "NS") return hexTextFrame(name.c_str(), satelliteStatus(ep, name == "NS"));
  auto it = bodies().find(name);
  if (it == bodies().end()) return std::string();
  const std::string id = zrxStreamId(name);
  return binaryFrame(id.c_str(), it->second(ep));
}

}  // namespace rcvsim
