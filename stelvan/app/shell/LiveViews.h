#pragma once
// The Satellites, Scatter, Position and Corrections views beside the main window: dock widgets
// fed from the main session's own stream (a RoundListener: each round is copied on the session
// thread and handed to the GUI thread queued), so the receiver is opened once and the main
// view never stops. While a tool holds the receiver no round comes and the views simply wait.
// While the Corrections view is open the session adds the receiver's RTCM 3 output on slot 3 of
// the same receiver (ReceiverSession::setOutput); closing the view (its menu entry or its own
// close button) stops that output again. Which views are open and where is kept in the settings
// ("Views", "State"). sessionState() must follow the session's states (the owner's thread).
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "session/CallbackRegistry.h"
#include "session/SessionObserver.h"
#include "session/SessionState.h"

class QDockWidget;
class QMainWindow;
class CReceiver;

namespace plots {
class LiveViewBase;
}
namespace session {
class ReceiverSession;
}

class LiveViews : public QObject, public session::RoundListener {
  Q_OBJECT
 public:
  enum View { Satellites, Scatter, Position, Corrections, kViews };
  // Runs a short exchange with the session's receiver while it is live; false when there is none.
  using WithReceiver = std::function<bool(const std::function<void(CReceiver*)>&)>;

  LiveViews(QMainWindow& frame, WithReceiver withReceiver);
  ~LiveViews() override;  // call detach() first, while the session still exists

  // Registers with the session's stream, or ends that (before the session goes).
  void attachTo(session::ReceiverSession& s);
  void detach();

  QDockWidget* dock(View v) const { return docks_[v]; }
  plots::LiveViewBase* view(View v) const { return views_[v]; }
  bool isOpen(View v) const;
  // Opens a closed view beside the main window, or closes an open one.
  void toggle(View v);
  void setTarget(double lat, double lon);  // radians; 0, 0: none
  void sessionState(session::SessionState to);

  void restore();  // from the settings; call once the window's layout stands
  void save() const;

  // RoundListener (session thread).
  void begin() override;
  void round(const std::vector<std::string>& fresh) override;
  void silence() override {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  // A view was opened or closed (the main window widens or narrows).
  void layoutChanged();

 private:
  QDockWidget* buildDock(View v, const char* name, const char* title, plots::LiveViewBase* content);
  void deliver(const std::vector<std::string>& messages);
  void startBegin();
  void readElevationMask();
  void attachRtcm();
  void detachRtcm();

  QMainWindow& frame_;
  WithReceiver withReceiver_;
  std::function<void()> detach_;
  std::array<QDockWidget*, kViews> docks_{};
  std::array<plots::LiveViewBase*, kViews> views_{};
  bool fresh_ = true;  // no session since the last Idle: the next one starts the views over
  static constexpr std::uint8_t kRtcmSlot = 3;
  session::ReceiverSession* session_ = nullptr;
  bool rtcmWanted_ = false;  // the session was asked for the RTCM output
  session::CallbackChannel<session::CallbackRegistry::DataKey, void(CReceiver*)>::Registration rtcm_;
};
