#include "logging/MessageCatalogue.h"

#include <sstream>

namespace logging {

const char* MessageCatalogue::formatKey(int f) {
  static const char* k[] = {"zrx", "cmr", "nmea", "rtcm"};
  return k[f >= 0 && f < kFormats ? f : 0];
}
const char* MessageCatalogue::settingsName(int f) {
  static const char* k[] = {"MsgZRX", "MsgCMR", "MsgNMEA", "MsgRTCM"};
  return k[f >= 0 && f < kFormats ? f : 0];
}
const char* MessageCatalogue::extension(int f) {
  static const char* k[] = {".zrx", ".cmr", ".nmea", ".rtcm"};
  return k[f >= 0 && f < kFormats ? f : 0];
}

std::vector<std::string> MessageCatalogue::parseList(const std::string& answer, bool rtcm) {
  std::string s = answer;
  const std::size_t open = s.find('{');
  if (open != std::string::npos) s.erase(0, open + 1);
  const std::size_t close = s.rfind('}');
  if (close != std::string::npos) s[close] = ',';
  std::vector<std::string> names;
  std::size_t p = 0;
  for (std::size_t comma; (comma = s.find(',', p)) != std::string::npos; p = comma + 1) {
    std::string n = s.substr(p, comma - p);
    if (n.empty() || (rtcm && n[0] == '0')) continue;
    names.push_back(n.substr(0, 7));
  }
  return names;
}

bool MessageCatalogue::isChosen(const std::string& stored, const std::string& name) {
  return stored == "ALL" || stored.find("," + name + ",") != std::string::npos;
}

std::string MessageCatalogue::storeChosen(const std::vector<CatalogueEntry>& entries) {
  std::string s = ",";
  for (const CatalogueEntry& e : entries)
    if (e.chosen) s += e.name + ",";
  return s;
}

void MessageCatalogue::setNames(int format, const std::vector<std::string>& names, const std::string& stored) {
  std::vector<CatalogueEntry>& list = lists_[format];
  list.clear();
  for (const std::string& n : names) {
    CatalogueEntry e{n, isChosen(stored, n), ""};
    for (const auto& [name, text] : descriptions_[format])
      if (name == n) e.description = text.substr(0, 69);
    list.push_back(e);
  }
}

void MessageCatalogue::loadDescriptions(const std::string& text) {
  std::istringstream in(text);
  int section = -1;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool header = false;
    for (int f = 0; f < kFormats; ++f)
      if (line == formatKey(f)) section = f, header = true;
    if (header || section < 0 || line.empty()) continue;
    std::size_t end = 0;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '=') ++end;
    const std::string desc = end + 1 < line.size() ? line.substr(end + 1) : std::string();
    descriptions_[section].emplace_back(line.substr(0, end), desc);
  }
}

const char* MessageCatalogue::builtinDescriptions() {
  return "zrx\n"
         "RT Receiver time\nRD Receiver date\nPG Geodetic position\nPO Cartesian position\n"
         "VE Cartesian velocity\nPV Cartesian position and velocity\nDP Dilution of precision\n"
         "SG Position and velocity RMS errors\nDO Clock offset drift\nOO Oscillator offset\n"
         "TT CA/L1 overall continuous tracking time\nSI Satellite indices\nNN GLONASS satellite system numbers\n"
         "EL Satellite elevations\nAZ Satellite azimuths\nEC SNR CA/L1\nE1 SNR P/L1\nE2 SNR P/L2\n"
         "E3 SNR CA/L2\nE5 SNR L5\nTC CA/L1 continuous tracking time\nSS Satellite navigation status\n"
         "DC Doppler CA/L1\nEE Epoch end\nET Epoch time\nMS RTCM status\nGS GPS satellite status\n"
         "NS GLONASS satellite status\n"
         "cmr\n0 Observables\n1 Reference station location\n2 Reference station description\n"
         "3 GLONASS observables\n"
         "nmea\nGGA GPS fix data\nGLL Geographic position\nGSA DOP and active satellites\n"
         "GSV Satellites in view\nRMC Recommended minimum data\nVTG Course over ground and speed\n"
         "ZDA Time and date\nGST Pseudorange error statistics\n"
         "rtcm\n1 Differential corrections\n3 Reference station parameters\n9 Partial corrections\n"
         "18 RTK carrier phases\n19 RTK pseudoranges\n"
         "1004 GPS extended L1/L2 observables\n1005 Station antenna reference point\n"
         "1006 Station ARP with height\n1012 GLONASS extended L1/L2 observables\n1033 Receiver and antenna\n";
}

std::string MessageCatalogue::messageSet(int format, bool defaultSet, const std::string& interval) const {
  if (defaultSet && format == 0) return "def:" + interval;
  std::string set;
  for (const CatalogueEntry& e : lists_[format])
    if (e.chosen) set += (set.empty() ? "" : ",") + e.name + ":" + interval;
  return set;
}

std::string statusText(const std::string& text) { return text.size() > 40 ? text.substr(0, 37) + "..." : text; }

}  // namespace logging
