#pragma once
// Message descriptions handed to IParserData::configure: per format name an
// enabled flag and a list of described messages. The owner fills it before
// configuring and may share it between parsers (it is read-only for them).
#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ITUnknown.h"

namespace engine {

struct MsgDescription {
  std::string id;  // message identifier (ZRX two characters, NMEA sentence, RTCM number text, CMR identifier)
  int maxLength = 0;                      // maximum length (ZRX: body; others: message)
  int expectedLength = -1;                // expected whole-frame length; -1 when not set
  std::map<std::string, int> fieldTypes;  // field name -> type code (ZRX reads "cs")
  // Extra (key, value) entries for the format hooks, e.g. CMR ("map_msg_type", "3").
  std::vector<std::pair<std::string, std::string>> hooks;
};

class IMsgSettings : public ITUnknown {
 public:
  virtual bool isEnabled(const std::string& format) = 0;                                    // 2
  virtual std::size_t descriptionCount(const std::string& format) = 0;                      // 3
  virtual const MsgDescription* description(const std::string& format, std::size_t i) = 0;  // 4
};

}  // namespace engine
