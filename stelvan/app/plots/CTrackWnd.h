#pragma once
// The Scatter and Position windows: one receiver session each, the fixes of that
// session drawn by a ScatterView or a PositionView, "Clear" to start over. Run as
// modal tools, like the Satellites window.
#include <QDialog>
#include <memory>
#include <optional>

#include "plots/PlotSession.h"
#include "plots/PositionTrack.h"

class QLabel;

namespace plots {

class CTrackWnd : public QDialog {
  Q_OBJECT
 public:
  // The satellite status and epoch end keep the watchdog; PG brings the positions.
  static constexpr PlotKind kScatter{"Scatter ", "Scatter", "GS:4,NS:4,EE:4,PG:1"};
  static constexpr PlotKind kPosition{"Position ", "PositionPlot", "GS:4,NS:4,EE:4,PG:1"};

  enum class Kind { Scatter, Position };
  explicit CTrackWnd(Kind kind, QWidget* parent = nullptr);
  ~CTrackWnd() override;

  // `target`: latitude and longitude in radians, when the user set one.
  bool start(CConnection* conn, const std::string& receiverName, const std::string& model,
             std::optional<std::pair<double, double>> target = std::nullopt);
  PositionTrack& track() { return track_; }
  QWidget* view() const { return view_; }
  QLabel* statusLine() const { return status_; }
  PlotSession& session() { return *session_; }

 protected:
  void done(int r) override;

 private:
  PositionTrack track_;
  QWidget* view_;
  QLabel* status_;
  std::unique_ptr<PlotSession> session_;
  std::int64_t started_ = 0;
};

}  // namespace plots
