#pragma once
// What the live views beside the main window share: a status line with the watchdog on the
// stream's epoch ends, and a one-second tick that repaints them while no data comes (so
// satellites that fell silent drop out). Fed on the GUI thread with each round of the main
// session's messages (whole ZRX frames).
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace plots {

class LiveViewBase : public QWidget {
  Q_OBJECT
 public:
  static constexpr std::uint32_t kWatchdogMs = 60000;

  explicit LiveViewBase(QWidget* parent = nullptr);
  // A session is about to go live: a fresh start.
  virtual void begin() = 0;
  // One round of messages.
  virtual void feed(const std::vector<std::string>& messages) = 0;
  QLabel* statusLine() const { return status_; }
  // The watchdog: "Receiver don't reply!" once no epoch end came for a minute, else empty.
  void checkReceiver();
  void setLastEpochTick(std::uint32_t tick) { lastEpoch_ = tick; }

 protected:
  // The content goes above the status line.
  QVBoxLayout* content() const { return content_; }
  void noteEpochs(const std::vector<std::string>& messages);
  virtual void tick() { update(); }

 private:
  QVBoxLayout* content_;
  QLabel* status_;
  QTimer timer_;
  std::uint32_t lastEpoch_;
};

}  // namespace plots
