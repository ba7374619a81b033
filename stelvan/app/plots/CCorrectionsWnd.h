#pragma once
// The Corrections window: what the receiver's RTCM 3 output says, from a
// CorrectionsModel: the reference station's position and its distance from the
// receiver's own fix, the antenna and receiver descriptors, each message type's
// rate and age, and the satellites per system of the latest MSM epoch. A view beside
// the main window: the fixes come with the main session's rounds, the RTCM 3 bytes
// from the session receiver's RTCM slot (addRtcm, any thread); a half-second timer
// refreshes it, so the ages keep moving between messages.
#include <QTimer>

#include "plots/CorrectionsModel.h"
#include "plots/LiveViewBase.h"

class QLabel;
class QLayout;
class QTableWidget;

namespace plots {

class CCorrectionsWnd : public LiveViewBase {
  Q_OBJECT
 public:
  // Slot 3: the station messages and the MSM4 of every system; names the receiver does not
  // offer are left out of the request.
  static constexpr const char* kRtcmList =
      "1005:1,1006:1,1008:5,1033:5,1074:1,1084:1,1094:1,1104:1,1114:1,1124:1,1134:1";

  explicit CCorrectionsWnd(QWidget* parent = nullptr);

  void begin() override;
  // The receiver's own position ("PG") of a round.
  void feed(const std::vector<std::string>& messages) override;
  // The receiver's RTCM 3 output as it arrives; any thread.
  void addRtcm(const unsigned char* bytes, int count);
  CorrectionsModel& model() { return model_; }
  // Shows the model as it stands (the timer's; tests call it directly).
  void refresh();

 private:
  QWidget* buildStation();
  QLayout* buildTables();
  QLayout* buildButtons();
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
  QTimer refresh_;
};

}  // namespace plots
