#pragma once
// The receiver session that each plot window keeps while it is open: its own CReceiver
// on the main view's connection, the window's attach list, the 60 s watchdog on epoch
// ends and the window's "Size" setting. Lives on the GUI thread.
//
// The data handler runs on the connection's delivery thread with the whole message
// (id, length, body); it must only parse under its own lock. Epoch ends ("||") are
// counted here and turn into epochEnded() on the GUI thread.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class CConnection;
class CReceiver;
class QLabel;
class QWidget;

namespace plots {

struct PlotKind {
  const char* titlePrefix;  // "Satellites ", "Scatter ", "Position "
  const char* section;      // settings section holding "Size"
  const char* attachList;
};

class PlotSession : public QObject {
  Q_OBJECT
 public:
  using DataHandler = std::function<void(const unsigned char* message, int length)>;
  static constexpr int kWatchdogMs = 60000;

  PlotSession(QWidget* window, QLabel* status, PlotKind kind);
  ~PlotSession() override;

  // Title, size, then open and attach; false (reply text in the status line) on failure.
  bool start(CConnection* conn, const std::string& receiverName, const std::string& model,
             DataHandler handler);
  CReceiver* receiver() const { return receiver_; }
  // Once started: the messages of another stream kind (attach slot 1 CMR, 2 NMEA, 3 RTCM) go to
  // the same handler, as they arrive (an RTCM slot brings the receiver's RTCM 3 bytes). False,
  // with the reply text in the status line, when the receiver refuses.
  bool attachStream(std::uint8_t slot, const char* list);
  // Saves "Size" and releases the session; safe to call twice.
  void stop();
  // One watchdog tick (the timer's; tests call it directly).
  void checkReceiver();
  void setLastEpochTick(std::uint32_t tick) { lastEpoch_ = tick; }

  static void restoreSize(QWidget* window, const char* section);
  static void saveSize(const QWidget* window, const char* section);

 signals:
  void epochEnded();

 private:
  static void onData(CReceiver* r);

  QWidget* window_;
  QLabel* status_;
  PlotKind kind_;
  CReceiver* receiver_ = nullptr;
  DataHandler handler_;
  QTimer watchdog_;
  std::atomic<std::uint32_t> lastEpoch_{0};
};

}  // namespace plots
