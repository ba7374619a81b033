#include "RtcmRun.h"

#include <vector>

#include "CliStorage.h"
#include "RtcmJson.h"
#include "parsers/Crc24q.h"
#include "rtcm3/MessageContents.h"

namespace decodecli {

namespace {

// Counts as the default storage does (nothing printed there) and prints the
// contents of each RTCM 3 frame on the analysis worker, in stream order.
class RtcmStorage : public CliStorage {
 public:
  explicit RtcmStorage(std::FILE* out) : CliStorage(nullptr), m_out(out) {}

  bool store(engine::IMessageGNSS* message) override {
    if (!CliStorage::store(message)) return false;
    if (message->format() != "RTCM_3") return true;
    m_raw.clear();
    message->appendRaw(m_raw);
    const std::size_t len = message->subLength();
    std::size_t at = len ? message->subOffset() : 0;
    const std::size_t end = len ? at + len : m_raw.size();
    // The parser marks the frame without the line ends it skips in front.
    while (at < end && m_raw[at] != engine::rtcm3::kPreamble) ++at;
    if (end > m_raw.size() || end - at < engine::rtcm3::kHeaderSize + engine::rtcm3::kCrcSize) return true;
    const std::uint8_t* frame = m_raw.data() + at;
    std::size_t body = engine::rtcm3::payloadLength(frame);
    if (body > end - at - engine::rtcm3::kHeaderSize - engine::rtcm3::kCrcSize)
      body = end - at - engine::rtcm3::kHeaderSize - engine::rtcm3::kCrcSize;
    const std::string line =
        rtcmJson(engine::rtcm3::decodeContents(frame + engine::rtcm3::kHeaderSize, body));
    std::fprintf(m_out, "%s\n", line.c_str());
    return true;
  }

 private:
  std::FILE* m_out;
  std::vector<std::uint8_t> m_raw;  // the worker's only
};

}  // namespace

RunResult runRtcm(std::FILE* in, bool strict, std::FILE* out) {
  RunResult r;
  engine::Ref<RtcmStorage> storage(new engine::TUnknown<RtcmStorage>(out));
  engine::Ref<engine::C_DataAnalyser> da = makeAnalysis(storage.get(), strict);
  if (!da) {
    r.error = "cannot start the analysis";
    return r;
  }
  feedAnalysis(in, da.get(), r);
  r.messages = storage->counts();
  return r;
}

}  // namespace decodecli
