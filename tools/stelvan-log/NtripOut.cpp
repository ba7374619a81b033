#include "NtripOut.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "NtripUrl.h"

namespace stelvanlog {

namespace {
constexpr int kStatusEverySec = 60;
}

const char* NtripOut::usage() {
  return R"(  --ntrip-out ntrip[s]://[USER][:PASSWORD@]HOST:PORT/MOUNT
                     also send the receiver's stream to an NTRIP caster's mount point
                     (1.0 SOURCE with the password; 2.0 POST when a user is given); the
                     caster going away never stops or delays the files
  --ntrip-messages all|rtcm3   the whole stream (default) or only its RTCM 3 messages
  --ntrip-version 1|2          force NTRIP 1.0 or 2.0
  --ntrip-ca FILE              ntrips://: trust the caster's certificate when it chains to
                               FILE's CA certificates (default: the system's)
  --ntrip-fingerprint HEX      ntrips://: trust the caster's certificate with this SHA-256
                               fingerprint (AB:CD:... or plain hex)
)";
}

NtripOut::~NtripOut() {
  stop_ = true;
  if (reporter_.joinable()) reporter_.join();
}

bool NtripOut::TakeOptions(int& argc, char** argv, std::string& error) {
  std::string url, messages = "all", caFile, fingerprint;
  int version = 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const bool ours = !std::strcmp(argv[i], "--ntrip-out") || !std::strcmp(argv[i], "--ntrip-messages") ||
                      !std::strcmp(argv[i], "--ntrip-version") || !std::strcmp(argv[i], "--ntrip-ca") ||
                      !std::strcmp(argv[i], "--ntrip-fingerprint");
    if (!ours) {
      argv[kept++] = argv[i];
      continue;
    }
    if (i + 1 >= argc) return error = std::string("missing value after ") + argv[i], false;
    const std::string value = argv[i + 1];
    if (!std::strcmp(argv[i], "--ntrip-out"))
      url = value;
    else if (!std::strcmp(argv[i], "--ntrip-messages"))
      messages = value;
    else if (!std::strcmp(argv[i], "--ntrip-ca"))
      caFile = value;
    else if (!std::strcmp(argv[i], "--ntrip-fingerprint"))
      fingerprint = value;
    else
      version = value == "1" ? 1 : value == "2" ? 2 : -1;
    ++i;
  }
  argc = kept;
  argv[argc] = nullptr;
  if (messages != "all" && messages != "rtcm3") return error = "--ntrip-messages takes all or rtcm3", false;
  if (version < 0) return error = "--ntrip-version takes 1 or 2", false;
  if (url.empty()) return true;
  settings_.caster.tlsCaFile = caFile;
  settings_.caster.tlsFingerprint = fingerprint;
  if (!Ntrip::ParsePushUrl(url, settings_.caster, error)) return false;
  if (!settings_.caster.tls && (!caFile.empty() || !fingerprint.empty()))
    return error = "--ntrip-ca and --ntrip-fingerprint are for an ntrips:// caster", false;
  if (version) settings_.caster.version = version;
  settings_.rtcm3Only = messages == "rtcm3";
  enabled_ = true;
  return true;
}

void NtripOut::Start(Tellus::IReceiverModel& model) {
  if (!enabled_ || push_) return;
  push_ = std::make_unique<Ntrip::NtripPush>(settings_);
  push_->Start();
  model.addStreamListener(this);
  stop_ = false;
  reporter_ = std::thread([this] { report(); });
}

void NtripOut::Stop(Tellus::IReceiverModel& model) {
  if (!push_) return;
  model.removeStreamListener(this);
  stop_ = true;
  if (reporter_.joinable()) reporter_.join();
  push_->Stop();
  push_.reset();
}

void NtripOut::onData(const std::uint8_t* bytes, std::size_t count) {
  push_->Push(reinterpret_cast<const char*>(bytes), count);
}

void NtripOut::report() {
  std::string last;
  auto next = std::chrono::steady_clock::now() + std::chrono::seconds(kStatusEverySec);
  while (!stop_.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Ntrip::PushStatus s = push_->Status();
    if (s.text != last) {
      std::fprintf(stderr, "stelvan-log: ntrip-out: %s\n", s.text.c_str());
      last = s.text;
    }
    if (std::chrono::steady_clock::now() >= next) {
      std::fprintf(stderr, "stelvan-log: ntrip-out: %s, %llu B sent, %llu B dropped, %d reconnects\n",
                   s.connected ? "connected" : "not connected", static_cast<unsigned long long>(s.sent),
                   static_cast<unsigned long long>(s.dropped), s.reconnects);
      next += std::chrono::seconds(kStatusEverySec);
    }
  }
}

}  // namespace stelvanlog
