#pragma once
// One link's conversation with the receiver: reads command lines, answers each
// command with one reply (split when long), runs the outputs of the port, the
// recording into the current log file and the block transfers. Lives on the
// thread that serves the link; shared receiver state is taken under its lock.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BlockTransfer.h"
#include "CommandParser.h"
#include "CorrectionSplit.h"
#include "OutputList.h"
#include "Receiver.h"
#include "Rtcm2Messages.h"
#include "SkyModel.h"
#include "Wire.h"

namespace rcvsim {

class Session {
 public:
  // `port` is this link's name in the receiver ("/dev/ser/a", "/dev/tcp/a").
  Session(Receiver& receiver, Wire& wire, std::string port);

  void onBytes(const char* bytes, std::size_t count);
  void tick();
  // Drops a half-received line (the line speed has just come right).
  void resetInput() {
    lines_.clear();
    split_.clear();
  }
  // The link must be closed (a cut transfer on a network link).
  bool wantsClose() const { return wantClose_; }
  bool serialPort() const { return port_.rfind("/dev/ser/", 0) == 0; }

 private:
  struct Pending {
    std::int64_t dueMs;
    std::vector<std::string> frames;
    std::function<void()> after;
  };
  static constexpr std::int64_t kUploadNakMs = 500;  // NAK again while the first block is awaited
  using Handler = bool (Session::*)(const std::string& args, std::string& reply,
                                    std::function<void()>& after);

  // Commands; RTCM 3 frames between them when the port's input mode takes corrections.
  void takeCommands(const char* bytes, std::size_t count);
  bool takesCorrections();
  void execute(const Command& c);
  void reply(const Command& c, bool ok, const std::string& text, std::function<void()> after = {});
  bool cmdPrint(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdSet(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdEm(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdDm(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdInit(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdList(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdRemove(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdCreate(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdGet(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdPut(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdFld(const std::string& a, std::string& r, std::function<void()>& after);
  bool cmdEvent(const std::string& a, std::string& r, std::function<void()>& after);
  bool printSpecial(const std::string& path, const std::string& attr, std::string& r, bool& handled);
  std::string portPath(const std::string& path) const;
  std::string fileList() const;
  void restart();

  // Transfers.
  void transferInput(const char* bytes, std::size_t count);
  void transferTick();
  void endTransfer();
  bool countTransferBytes(std::size_t n);

  // Outputs.
  void runEpochs();
  void flushPending();

  Receiver& rcv_;
  Wire& wire_;
  std::string port_;
  LineAssembler lines_;
  CorrectionSplit split_;
  std::deque<Pending> pending_;
  OutputList outputs_;
  std::map<std::string, OutputList> otherPorts_;
  OutputList logOutputs_;
  SkyModel sky_;
  std::int64_t nextEpochMs_ = 0;  // receiver time of the next epoch
  std::uint64_t seenReboots_ = 0;
  bool wantClose_ = false;
  Rtcm2Tail rtcm2Sent_, rtcm2Logged_;  // the RTCM 2 word streams of the port and of the log file

  enum class Mode { Commands, Download, Upload } mode_ = Mode::Commands;
  std::unique_ptr<DownloadSender> download_;
  std::unique_ptr<UploadReceiver> upload_;
  std::string uploadName_;
  std::int64_t lastTransferMs_ = 0, lastNakMs_ = 0;
  std::uint64_t transferBytes_ = 0;
  bool uploadStarted_ = false;
};

}  // namespace rcvsim
