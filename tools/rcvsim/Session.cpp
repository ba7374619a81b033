#include "Session.h"

#include <cmath>

#include "CmrMessages.h"
#include "CorrectionHook.h"
#include "NmeaMessages.h"
#include "ReplyFramer.h"
#include "Rtcm2Messages.h"
#include "RtcmMessages.h"
#include "RtcmMsm.h"
#include "ZrxMessages.h"

namespace rcvsim {

namespace {
constexpr std::int64_t kEpochMs = 100;
constexpr std::int64_t kTransferIdleMs = 35000;  // a transfer nobody drives is given up
constexpr std::int64_t kStallMs = 700;           // a partial block this old is dropped
}  // namespace

Session::Session(Receiver& receiver, Wire& wire, std::string port)
    : rcv_(receiver),
      wire_(wire),
      port_(std::move(port)),
      sky_({receiver.options().lat * kDeg, receiver.options().lon * kDeg, receiver.options().height},
           receiver.options().seed, receiver.options().allSystems) {
  seenReboots_ = rcv_.rebootCount();
}

void Session::onBytes(const char* bytes, std::size_t count) {
  if (Receiver::steadyMs() < rcv_.rebootUntil()) return;  // restarting: deaf
  if (mode_ != Mode::Commands) {
    transferInput(bytes, count);
    return;
  }
  if (!takesCorrections()) {
    split_.clear();
    takeCommands(bytes, count);
    return;
  }
  split_.feed(
      bytes, count, [this](const char* b, std::size_t n) { takeCommands(b, n); },
      [this](const char* b, std::size_t n) { rcv_.corrections().onWholeFrame(b, n, Receiver::steadyMs()); });
}

bool Session::takesCorrections() {
  std::string mode;
  auto lock = rcv_.lock();
  rcv_.params().get("/par" + port_ + "/imode", mode);
  return mode == "rtcm" || mode == "rtcm3" || mode == "omni";
}

void Session::takeCommands(const char* bytes, std::size_t count) {
  if (mode_ != Mode::Commands) return;  // a transfer started: the rest is not command text
  std::vector<std::string> lines;
  lines_.feed(bytes, count, lines);
  for (const std::string& line : lines) {
    for (const Command& c : parseLine(line)) execute(c);
    if (mode_ != Mode::Commands) break;
  }
}

void Session::tick() {
  const std::int64_t now = Receiver::steadyMs();
  if (rcv_.rebootCount() != seenReboots_) {
    // The receiver restarted: outputs, half lines and transfers are gone.
    seenReboots_ = rcv_.rebootCount();
    outputs_.clear();
    otherPorts_.clear();
    logOutputs_.clear();
    lines_.clear();
    pending_.clear();
    endTransfer();
  }
  if (now < rcv_.rebootUntil()) return;
  flushPending();
  if (mode_ != Mode::Commands)
    transferTick();
  else
    runEpochs();
}

void Session::reply(const Command& c, bool ok, const std::string& text, std::function<void()> after) {
  Faults& f = rcv_.faults();
  if (f.noReplies.load()) {
    if (after) after();
    return;
  }
  Pending p;
  p.dueMs = Receiver::steadyMs() + f.replyDelayMs.load();
  // An error that quotes input ending in "," or "{" would read as a reply to be
  // continued; a full stop closes it.
  const bool open = !text.empty() && (text.back() == ',' || text.back() == '{');
  p.frames = replyFrames(ok, idPrefix(c), !ok && open ? text + "." : text,
                         static_cast<std::size_t>(rcv_.options().maxReplyBody));
  p.after = std::move(after);
  pending_.push_back(std::move(p));
  flushPending();
}

void Session::flushPending() {
  const std::int64_t now = Receiver::steadyMs();
  while (!pending_.empty() && pending_.front().dueMs <= now) {
    Pending p = std::move(pending_.front());
    pending_.pop_front();
    for (const std::string& f : p.frames) wire_.sendFrame(f);
    if (p.after) p.after();
  }
}

void Session::runEpochs() {
  const std::int64_t utc = rcv_.utcMs();
  // Far behind (a stall, or a clock set forward): carry on from now rather than catch up.
  if (nextEpochMs_ == 0 || utc - nextEpochMs_ > 1000 * rcv_.timeScale()) nextEpochMs_ = (utc / kEpochMs + 1) * kEpochMs;
  while (nextEpochMs_ <= utc) {
    const std::int64_t tenths = nextEpochMs_ / kEpochMs;
    const auto live = outputs_.due(tenths);
    const auto logged = logOutputs_.due(tenths);
    if (!live.empty() || !logged.empty()) {
      double mask = 5;
      int type = 1;
      std::string logName;
      {
        auto lock = rcv_.lock();
        std::string v;
        if (rcv_.params().get("/par/pos/elm", v)) mask = std::atof(v.c_str());
        if (rcv_.params().get("/par/pos/mode/cur", v))
          type = v == "cd" || v == "wd" ? 2 : v == "pf" ? 3 : v == "pd" ? 4 : 1;
        type = typeWithCorrections(rcv_, type);
        logName = rcv_.currentLog;
      }
      SkyEpoch ep = sky_.at(nextEpochMs_, mask, type);
      noteCorrections(rcv_, ep.sol);
      const Ecef ref = toEcef(sky_.site());
      const std::vector<const OutputItem*>* batch = &live;  // the items being sent, for the MSM flag
      auto build = [&](const OutputItem& i) {
        std::string m;
        switch (i.kind) {
          case StreamKind::Zrx:
            m = zrxMessage(i.name, ep);
            break;
          case StreamKind::Nmea:
            m = nmeaMessage(i.name, ep);
            break;
          case StreamKind::Rtcm:
            m = isMsmName(i.name)     ? msmMessage(i.name, ep, msmFollows(i, *batch))
                : isRtcm2Name(i.name) ? rtcm2Message(i.name, ep, ref, batch == &live ? rtcm2Sent_ : rtcm2Logged_)
                                      : rtcmMessage(i.name, ep, ref);
            break;
          case StreamKind::Cmr:
            m = cmrMessage(i.name, ep, ref);
            break;
        }
        if (!m.empty() && i.wrapTag >= 0) m = wrapperFrame(static_cast<std::uint8_t>(i.wrapTag), m);
        return m;
      };
      if (!rcv_.faults().stopStreaming.load())
        for (const OutputItem* i : live) {
          const std::string m = build(*i);
          if (!m.empty()) wire_.sendFrame(m);
        }
      if (!logged.empty() && !logName.empty()) {
        std::string data;
        batch = &logged;
        for (const OutputItem* i : logged) data += build(*i);
        auto lock = rcv_.lock();
        if (rcv_.files().freeSpace() >= static_cast<std::int64_t>(data.size()))
          rcv_.files().append(logName, data);
      }
    }
    nextEpochMs_ += kEpochMs;
  }
}

// ---- transfers ----

bool Session::countTransferBytes(std::size_t n) {
  transferBytes_ += n;
  const long cut = rcv_.faults().cutAfterBytes.load();
  return cut < 0 || transferBytes_ <= static_cast<std::uint64_t>(cut);
}

void Session::transferInput(const char* bytes, std::size_t count) {
  lastTransferMs_ = Receiver::steadyMs();
  if (mode_ == Mode::Download) {
    for (std::size_t i = 0; i < count; ++i) {
      bool done = false, consumed = true;
      const std::string block = download_->onByte(static_cast<std::uint8_t>(bytes[i]), done, consumed);
      if (!block.empty() && static_cast<int>(download_->current()) == rcv_.faults().errorBlock.load()) {
        wire_.sendFrame(makeFrame("ER", "Read error /log/ block " + std::to_string(download_->current())));
        endTransfer();
        return;
      }
      if (!block.empty()) {
        const long cut = rcv_.faults().cutAfterBytes.load();
        std::string out = block;
        bool cutNow = false;
        if (cut >= 0 && transferBytes_ + out.size() > static_cast<std::uint64_t>(cut)) {
          out.resize(static_cast<std::size_t>(cut) > transferBytes_
                         ? static_cast<std::size_t>(cut) - transferBytes_
                         : 0);
          cutNow = true;
        }
        countTransferBytes(out.size());
        wire_.send(out);
        if (cutNow) {
          rcv_.trace().note("transfer cut");
          if (!serialPort()) wantClose_ = true;
          endTransfer();
          return;
        }
      }
      if (done) {
        endTransfer();
        if (!consumed) onBytes(bytes + i, count - i);
        return;
      }
    }
    return;
  }
  // Upload.
  uploadStarted_ = true;
  if (!countTransferBytes(count)) {
    rcv_.trace().note("transfer cut");
    if (!serialPort()) wantClose_ = true;
    endTransfer();
    return;
  }
  const std::string answer = upload_->feed(reinterpret_cast<const std::uint8_t*>(bytes), count);
  if (!answer.empty()) wire_.send(answer);
  if (upload_->done()) {
    {
      auto lock = rcv_.lock();
      rcv_.files().write(uploadName_, upload_->data());
      rcv_.refreshFileFigures();
    }
    const std::string rest = upload_->leftover();
    endTransfer();
    if (!rest.empty()) onBytes(rest.data(), rest.size());
  } else if (upload_->failed()) {
    endTransfer();
  }
}

void Session::transferTick() {
  const std::int64_t now = Receiver::steadyMs();
  if (now - lastTransferMs_ > kTransferIdleMs) {
    rcv_.trace().note("transfer abandoned");
    endTransfer();
    return;
  }
  if (mode_ != Mode::Upload) return;
  if (!uploadStarted_ && pending_.empty() && now - lastNakMs_ >= kUploadNakMs) {
    lastNakMs_ = now;
    wire_.send(std::string(1, static_cast<char>(kNak)));
  } else if (upload_->partial() && now - lastTransferMs_ >= kStallMs) {
    lastTransferMs_ = now;
    wire_.send(upload_->stalled());
  }
}

void Session::endTransfer() {
  mode_ = Mode::Commands;
  download_.reset();
  upload_.reset();
  uploadStarted_ = false;
}

}  // namespace rcvsim
