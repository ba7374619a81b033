#include "DecodeRun.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "CliStorage.h"
#include "JsonText.h"
#include "engine/C_DataAnalyser.h"

namespace decodecli {

namespace {
constexpr std::size_t kSlice = 1 << 20;
// Above this many unread bytes the reader waits for the worker, so a fast
// source does not pile the whole input up in memory.
constexpr std::uint64_t kBacklog = 16u << 20;

// Waits (in 1 ms steps) until the worker has the backlog below half the
// limit. waitProcessed would not do: a worker at an incomplete message
// waits its read waits out for the bytes we hold back. Gives up when the
// worker makes no progress for 10 s.
bool waitBacklog(engine::C_Ex_DataCash* cash) {
  std::uint64_t last = cash->readPosition();
  int idle = 0;
  while (cash->pending() > kBacklog / 2) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::uint64_t now = cash->readPosition();
    idle = now == last ? idle + 1 : 0;
    last = now;
    if (idle > 10000) return false;
  }
  return true;
}

// A refusal's status code as a reason a user reads.
std::string reason(const std::string& format, int code) {
  switch (code) {
    case 5002:
      return format == "RTCM_3" ? "crc" : "checksum";
    case 5003:
      return "length";
    case 5004:
      return "unknown_id";
    case 5005:
      return "parity";
    case 4:
      return format == "CMR" ? "end" : "4";
    default:
      return std::to_string(code);
  }
}

void appendCounts(std::string& out, const std::map<std::string, std::uint64_t>& counts) {
  out += '{';
  bool first = true;
  for (const auto& [key, count] : counts) {
    if (!first) out += ", ";
    first = false;
    out += '"';
    appendJsonEscaped(out, key);
    out += "\": " + std::to_string(count);
  }
  out += '}';
}

}  // namespace

engine::Ref<engine::C_DataAnalyser> makeAnalysis(engine::IEx_StorageMsg* storage, bool strict) {
  engine::Ref<engine::C_DataAnalyser> da(new engine::TUnknown<engine::C_DataAnalyser>());
  if (!da->init(storage, nullptr)) return {};
  da->getTuning()->setNestingLimit(0);
  if (!strict) {
    engine::IParserManager* pm = da->getParserManager();
    for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  }
  return da;
}

void feedAnalysis(std::FILE* in, engine::C_DataAnalyser* da, RunResult& r) {
  std::vector<std::uint8_t> buf(kSlice);
  r.ok = true;
  for (;;) {
    if (da->topAnalyser()->cash()->pending() > kBacklog && !waitBacklog(da->topAnalyser()->cash()))
      r.drained = false;
    const std::size_t n = std::fread(buf.data(), 1, buf.size(), in);
    if (n > 0) {
      da->write(buf.data(), n);
    }
    if (n < buf.size()) {
      if (std::ferror(in)) {
        r.ok = false;
        r.error = std::strerror(errno);
      }
      break;
    }
  }
  da->flush();
  r.drained = da->waitProcessed() && r.drained;
  da->stop();
  r.bytes = da->bytesWritten();
  const std::uint64_t used = da->bytesConsumed();
  r.unknownBytes = r.bytes > used ? r.bytes - used : 0;
  for (const auto& [key, n] : da->refusals()) r.refused[key.first + ":" + reason(key.first, key.second)] += n;
  r.gaps = da->gaps();
}

RunResult runDecode(std::FILE* in, const RunOptions& opt) {
  RunResult r;
  engine::Ref<CliStorage> storage(new engine::TUnknown<CliStorage>(opt.lines));
  engine::Ref<engine::C_DataAnalyser> da = makeAnalysis(storage.get(), opt.strict);
  if (!da) {
    r.error = "cannot start the analysis";
    return r;
  }
  feedAnalysis(in, da.get(), r);
  r.messages = storage->counts();
  return r;
}

std::string statsJson(const RunResult& r) {
  std::string out = "{\"bytes\": " + std::to_string(r.bytes) +
                    ", \"unknown_bytes\": " + std::to_string(r.unknownBytes) + ", \"messages\": ";
  appendCounts(out, r.messages);
  out += ", \"refused\": ";
  appendCounts(out, r.refused);
  out += ", \"gaps\": " + std::to_string(r.gaps) + "}";
  return out;
}

}  // namespace decodecli
