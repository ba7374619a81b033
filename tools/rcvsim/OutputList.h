#pragma once
// The outputs of one port as "em" sets them: message, format, period and the
// optional wrapper number that the "-n" field of an item asks for.
#include <cstdint>
#include <string>
#include <vector>

namespace rcvsim {

enum class StreamKind { Zrx, Nmea, Rtcm, Cmr };

struct OutputItem {
  StreamKind kind = StreamKind::Zrx;
  std::string name;  // "PG", "GGA", "1005", "0"
  int periodTenths = 10;
  int wrapTag = -1;  // >= 0: each message goes out inside a ">>" frame with this number
};

class OutputList {
 public:
  // Adds the items of an "em" list ("zrx/PG:{1.00,0,-118},nmea/GGA:1,rtcm3{/1005:10}").
  // An unknown message leaves the list unchanged and returns false with the reason.
  bool add(const std::string& list, std::string& error);
  void clear() { items_.clear(); }
  bool empty() const { return items_.empty(); }
  const std::vector<OutputItem>& items() const { return items_; }
  // "zrx={/PG:1.00,...}" style description for "print,/par/out<port>:on".
  std::string describe() const;
  // Items due at this epoch in stream order: receiver time first, ZRX epoch end
  // after the other ZRX messages, then the other formats.
  std::vector<const OutputItem*> due(std::int64_t epochTenths) const;

  static bool known(StreamKind kind, const std::string& name);

 private:
  bool addOne(StreamKind kind, const std::string& name, const std::string& period, std::string& error,
              std::vector<OutputItem>& into);
  std::vector<OutputItem> items_;
};

const char* kindName(StreamKind k);

}  // namespace rcvsim
