#pragma once
// The local server's table of receiver message names: each name with its serial number
// (running across the four stream kinds) and stream kind (0 ZRX, 1 CMR, 2 NMEA, 3 RTCM),
// built from the receiver's "list,/msg/..." replies or, for a short reply, the built-in list
// of that kind. Names are kept per kind: CMR and RTCM both have a message "1".
// Not locked: the owner builds it while no data flows and reads it afterwards.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace LocalSrv {

constexpr unsigned kStreamKinds = 4;

struct MessageEntry {
  std::uint32_t serial = 0;
  std::uint8_t kind = 0;
  std::string name;
};

class MessageTable {
 public:
  // Empties the table and registers "WL" (serial 0, ZRX).
  void Clear();
  // Registers the names of one list reply ("RE" + 3 hex digits + "{" + names + "}"); a reply
  // shorter than 7 characters is replaced by the built-in list of the kind. Returns the count.
  std::size_t AddList(std::uint8_t kind, std::string_view reply);
  const MessageEntry* Find(std::uint8_t kind, std::string_view name) const;
  // By serial number (the message number of a ">>" wrapper); null when none.
  const MessageEntry* BySerial(std::uint32_t serial) const;
  std::size_t size() const { return m_Entries.size(); }
  const std::vector<MessageEntry>& entries() const { return m_Entries; }

  // "list,/msg/zrx", "list,/msg/cmr", "list,/msg/nmea", "list,/msg/rtcm".
  static const char* ListCommand(std::uint8_t kind);
  static std::string_view BuiltinList(std::uint8_t kind);
  // "zrx/", "cmr/", "nmea/", "rtcm/".
  static const char* Prefix(std::uint8_t kind);
  // The process-wide stream map of a kind: is the serial number (below 256) in it?
  static bool InStreamMap(std::uint8_t kind, std::uint32_t serial);

 private:
  void add(std::string name, std::uint8_t kind);
  std::map<std::pair<std::uint8_t, std::string>, std::size_t> m_ByName;  // -> index in m_Entries
  std::vector<MessageEntry> m_Entries;                                   // serial order
};

}  // namespace LocalSrv
