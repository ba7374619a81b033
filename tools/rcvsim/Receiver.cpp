#include "Receiver.h"

#include <algorithm>
#include <chrono>

#include "OutputList.h"
#include "SkyModel.h"
#include "ZrxMessages.h"

namespace rcvsim {

namespace {
constexpr int kFsInitMs = 500;  // a file-system initialisation takes this long
constexpr int kFsInitSteps = 100;
}  // namespace

Receiver::Receiver(const Options& o) : options_(o), startSteady_(steadyMs()) {
  using namespace std::chrono;
  startUtc_ = o.startUtcMs >= 0 ? o.startUtcMs
                                : duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  params_.add("/par/rcv/model", o.model, "ro");
  params_.add("/par/version/main", o.firmware, "ro");
  params_.add("/par/rcv/ver/main", o.firmware, "ro");
  params_.add("/par/rcvid", o.rcvid, "ro");
  params_.add("/par/rcv/sn", o.serial, "ro");
  for (const char* p : {"a", "b", "c", "d"})
    params_.setDefault(std::string("/par/dev/ser/") + p + "/rate", std::to_string(o.rate));
  faults_.noise = o.noise;
  faults_.corrupt = o.corrupt;
  faults_.drop = o.drop;
  faults_.replyDelayMs = o.replyDelayMs;
  faults_.noReplies = o.noReplies;
  faults_.badCrcBlock = o.badCrcBlock;
  faults_.badCrcTimes = o.badCrcTimes;
  faults_.errorBlock = o.errorBlock;
  faults_.cutAfterBytes = o.cutAfterBytes;
  faults_.stopStreaming = o.stopStreaming;
}

bool Receiver::open(std::string& error) {
  if (!options_.traceFile.empty() && !trace_.open(options_.traceFile)) {
    error = "cannot write the trace file " + options_.traceFile;
    return false;
  }
  if (!files_.open(options_.filesDir, options_.diskSize, error)) return false;
  if (files_.ownsDir()) makeBuiltinFiles();
  refreshFileFigures();
  return true;
}

void Receiver::makeBuiltinFiles() {
  // Real ZRX recordings of the simulated sky at 1 Hz, of a few KB to a few MB.
  struct Spec {
    const char* name;
    std::size_t bytes;
  };
  const Spec specs[] = {{"log0105a", 3 * 1024}, {"log0105b", 150 * 1024}, {"log0106a", 1536 * 1024}};
  SkyModel sky({options_.lat * 0.017453292519943295, options_.lon * 0.017453292519943295, options_.height},
               options_.seed);
  OutputList set;
  std::string ignored;
  set.add("/msg/def:1", ignored);
  std::int64_t t = startUtc_ - 86400000;
  for (const Spec& s : specs) {
    std::string data;
    while (data.size() < s.bytes) {
      const SkyEpoch ep = sky.at(t, 5.0, 1);
      for (const OutputItem* item : set.due(0)) data += zrxMessage(item->name, ep);
      t += 1000;
    }
    data.resize(s.bytes);
    files_.write(s.name, data);
  }
}

std::int64_t Receiver::steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t Receiver::utcMs() const {
  return startUtc_ + (steadyMs() - startSteady_) * options_.timeScale;
}
std::int64_t Receiver::uptimeMs() const {
  return steadyMs() - startSteady_;
}

void Receiver::reboot() {
  rebootUntil_ = steadyMs() + options_.rebootMs;
  ++reboots_;
}

void Receiver::startFsInit() {
  files_.removeAll();
  currentLog.clear();
  fsInitStart_ = steadyMs();
  refreshFileFigures();
}

std::string Receiver::fsInitState() const {
  if (fsInitStart_ < 0) return "{0,0}";
  const std::int64_t done =
      std::min<std::int64_t>(kFsInitSteps, (steadyMs() - fsInitStart_) * kFsInitSteps / kFsInitMs);
  return "{" + std::to_string(kFsInitSteps) + "," + std::to_string(done) + "}";
}

void Receiver::refreshFileFigures() {
  params_.put("/par/dev/blk/a/size", std::to_string(files_.capacity()));
  params_.put("/par/dev/blk/a/free", std::to_string(files_.freeSpace()));
  params_.put("/par/dev/blk/a/files", std::to_string(files_.list().size()));
  params_.put("/par/dev/blk/a/blocks", std::to_string(files_.capacity() / 512));
  params_.put("/par/stat/fsinit", fsInitState());
}

void Receiver::noteCommand(const std::string& text) {
  constexpr std::size_t kKeep = 100000;  // a long-running simulator forgets the oldest
  std::lock_guard<std::mutex> l(commandsLock_);
  if (commands_.size() >= kKeep) commands_.erase(commands_.begin(), commands_.begin() + kKeep / 2);
  commands_.push_back(text);
}

std::vector<std::string> Receiver::commands() const {
  std::lock_guard<std::mutex> l(commandsLock_);
  return commands_;
}

}  // namespace rcvsim
