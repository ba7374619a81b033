#pragma once
// Polls receiver parameters with "print," on a timer and tells subscribers
// when a value changes. Subscriptions from any thread; the tick runs on the
// timer's thread, replies arrive on the analysis worker; both take the
// reader's lock. Subscribers are not owned and are called on the analysis
// worker.
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "IReceiverModel.h"
#include "thread/BasicTimer.h"

namespace Tellus {

class ReceiverModelImpl;

class RcvParamReader : public THREAD::ITimerListener, public IReplyListener {
 public:
  explicit RcvParamReader(ReceiverModelImpl& model);
  ~RcvParamReader() override;

  void subscribe(const std::string& name, IParameterListener* listener, int periodMs);
  void unsubscribe(const std::string& name, IParameterListener* listener);
  void unsubscribeAll(IParameterListener* listener);
  bool hasParameter(const std::string& name);
  std::uint32_t interval() const { return m_timer.interval(); }

  void OnTimer() override;
  void onReply(const std::string& identifier, bool ok, const std::string& text) override;

 private:
  struct Entry {
    std::set<IParameterListener*> subscribers;
    int periodMs = 5000;
    int toleranceMs = 500;
    std::int64_t lastRequest = 0;  // 0: never
    std::string lastId;
    std::string value;
    bool hasValue = false;
  };
  void stopIfEmpty(std::unique_lock<std::mutex>& g);

  ReceiverModelImpl& m_model;
  std::mutex m_m;
  THREAD::BasicTimer m_timer;
  bool m_running = false;
  std::map<std::string, Entry> m_params;
  std::map<std::string, std::string> m_pending;  // command identifier -> name
};

}  // namespace Tellus
