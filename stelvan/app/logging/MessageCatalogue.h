#pragma once
// What the real-time logging dialog may record: the messages the receiver reports for each
// of the four formats, which of them the user chose, and their descriptions. No widgets.
#include <string>
#include <vector>

namespace logging {

struct CatalogueEntry {
  std::string name;  // at most 7 characters
  bool chosen = false;
  std::string description;  // at most 69 characters
};

class MessageCatalogue {
 public:
  static constexpr int kFormats = 4;  // 0 ZRX, 1 CMR, 2 NMEA, 3 RTCM
  static const char* formatKey(int format);      // "zrx", "cmr", "nmea", "rtcm"
  static const char* settingsName(int format);   // "MsgZRX", ...
  static const char* extension(int format);      // ".zrx", ".cmr", ".nmea", ".rtcm"

  // The names of a "list," answer: "{A,B,C}"; RTCM names starting with "0" are dropped.
  static std::vector<std::string> parseList(const std::string& answer, bool rtcm);
  // A stored choice is "ALL" or ",A,B,".
  static bool isChosen(const std::string& stored, const std::string& name);
  static std::string storeChosen(const std::vector<CatalogueEntry>& entries);
  // Fills format `format` from the receiver's names and the stored choice.
  void setNames(int format, const std::vector<std::string>& names, const std::string& stored);
  // "comment.txt" layout: section lines "zrx", "cmr", "nmea", "rtcm", then per line a name,
  // one separator character and the description.
  void loadDescriptions(const std::string& text);
  static const char* builtinDescriptions();
  // "def:" + interval for the ZRX default set, else "NAME:interval,..." of the chosen ones.
  std::string messageSet(int format, bool defaultSet, const std::string& interval) const;

  std::vector<CatalogueEntry>& entries(int format) { return lists_[format]; }
  const std::vector<CatalogueEntry>& entries(int format) const { return lists_[format]; }

 private:
  std::vector<CatalogueEntry> lists_[kFormats];
  std::vector<std::pair<std::string, std::string>> descriptions_[kFormats];
};

// A status text longer than 40 characters keeps its first 37 and "...".
std::string statusText(const std::string& text);

}  // namespace logging
