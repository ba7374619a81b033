#pragma once
// The Corrections window: what the receiver's RTCM 3 output says, from a
// CorrectionsModel: the reference station's position and its distance from the
// receiver's own fix, the antenna and receiver descriptors, each message type's
// rate and age, and the satellites per system of the latest MSM epoch. Run as a
// modal tool with its own receiver session, like the other plot windows; a
// half-second timer refreshes it, so the ages keep moving between messages.
#include <QDialog>
#include <QTimer>
#include <memory>

#include "plots/CorrectionsModel.h"
#include "plots/PlotSession.h"

class QLabel;
class QTableWidget;

namespace plots {

class CCorrectionsWnd : public QDialog {
  Q_OBJECT
 public:
  // Slot 0: the receiver's own position and the epoch ends of the watchdog.
  static constexpr PlotKind kCorrections{"Corrections ", "Corrections", "PG:1,EE:1"};
  // Slot 3: the station messages and the MSM4 of every system; names the receiver does not
  // offer are left out of the request.
  static constexpr const char* kRtcmList =
      "1005:1,1006:1,1008:5,1033:5,1074:1,1084:1,1094:1,1104:1,1114:1,1124:1,1134:1";

  explicit CCorrectionsWnd(QWidget* parent = nullptr);
  ~CCorrectionsWnd() override;

  bool start(CConnection* conn, const std::string& receiverName, const std::string& model);
  CorrectionsModel& model() { return model_; }
  // Shows the model as it stands (the timer's; tests call it directly).
  void refresh();
  QLabel* statusLine() const { return status_; }

 protected:
  void done(int r) override;

 private:
  QWidget* buildStation();
  QWidget* buildDescriptors();
  void showStation(const CorrectionsSnapshot& s);
  void showDescriptors(const CorrectionsSnapshot& s);
  void showMessages(const CorrectionsSnapshot& s);
  void showSystems(const CorrectionsSnapshot& s);

  CorrectionsModel model_;
  QLabel* stationText_[5] = {};
  QLabel* descriptorText_[6] = {};
  QTableWidget* messages_;
  QTableWidget* systems_;
  QLabel* status_;
  QTimer refresh_;
  std::unique_ptr<PlotSession> session_;
};

}  // namespace plots
