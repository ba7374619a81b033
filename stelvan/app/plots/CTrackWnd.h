#pragma once
// The Scatter and Position views: the fixes ("PG") of the main session's stream drawn by a
// ScatterView or a PositionView, "Clear" to start over. Views beside the main window, fed
// round by round; GUI thread only.
#include <cstdint>
#include <optional>
#include <utility>

#include "plots/LiveViewBase.h"
#include "plots/PositionTrack.h"

namespace plots {

class CTrackWnd : public LiveViewBase {
  Q_OBJECT
 public:
  enum class Kind { Scatter, Position };
  explicit CTrackWnd(Kind kind, QWidget* parent = nullptr);

  // `target`: latitude and longitude in radians, when the user set one (0, 0: none).
  void setTarget(std::optional<std::pair<double, double>> target);
  void begin() override;
  void feed(const std::vector<std::string>& messages) override;
  PositionTrack& track() { return track_; }
  QWidget* view() const { return view_; }

 private:
  PositionTrack track_;
  QWidget* view_;
  std::uint32_t started_ = 0;
};

}  // namespace plots
