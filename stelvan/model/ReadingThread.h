#pragma once
// Reads everything the receiver sends and hands each block to the stream
// listeners (on this thread, under the listener set's lock). The port is the
// model's: the model sets it before Start and changes it only while the
// thread is stopped. A port that fails (line lost) is retried every 100 ms
// until the thread is stopped.
#include <condition_variable>
#include <mutex>

#include "IReceiverModel.h"
#include "ports/CAbstractReceiverPort.h"
#include "thread/BasicThread.h"
#include "thread/ListenerSet.h"

namespace Tellus {

class ReadingThread : public THREAD::BasicThread {
 public:
  ~ReadingThread() override { Stop(10000); }
  void setPort(CMNC::CAbstractReceiverPort* port, bool tcp) {
    m_port = port;
    m_interval = tcp ? 50 : 255;
  }
  void addListener(IStreamListener* l) { m_listeners.Add(l); }
  void removeListener(IStreamListener* l) { m_listeners.Remove(l); }
  bool hasListener(IStreamListener* l) const;
  // Whether the last read failed (the line is gone).
  bool lineLost() const { return m_lost.load(); }

 protected:
  void Run() override;
  void OnStop() override;

 private:
  CMNC::CAbstractReceiverPort* m_port = nullptr;
  int m_interval = 255;
  THREAD::ListenerSet<IStreamListener> m_listeners;
  std::atomic<bool> m_lost{false};
  std::mutex m_m;
  std::condition_variable m_cv;
};

// The most recent raw bytes from the port (at most about 10 KiB).
class DataCash : public IStreamListener {
 public:
  void onData(const std::uint8_t* bytes, std::size_t count) override {
    std::lock_guard<std::mutex> g(m_m);
    if (m_bytes.size() > 10240) m_bytes.clear();
    m_bytes.append(reinterpret_cast<const char*>(bytes), count);
  }
  void reset() {
    std::lock_guard<std::mutex> g(m_m);
    m_bytes.clear();
  }
  std::string bytes() {
    std::lock_guard<std::mutex> g(m_m);
    return m_bytes;
  }

 private:
  std::mutex m_m;
  std::string m_bytes;
};

}  // namespace Tellus
