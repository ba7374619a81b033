#pragma once
// The Satellites view: the sky plot with per-satellite tracks and labels, the signal bars
// below it (narrower as satellites come, then scrolled), fed round by round from the main
// session's stream. A view beside the main window; GUI thread only.
#include <QPixmap>
#include <QWidget>
#include <vector>

#include "plots/LiveSky.h"
#include "plots/LiveViewBase.h"
#include "plots/SkyPainter.h"

class QLabel;
class QScrollArea;

namespace plots {

class SkyView : public QWidget {
  Q_OBJECT
 public:
  explicit SkyView(LiveSky& sky, QWidget* parent = nullptr);
  void setElevationMask(int degrees) { mask_ = degrees; }
  int elevationMask() const { return mask_; }
  // The popup of the marker under the last click, or null.
  QLabel* popup() const { return popup_; }
  // Draws the whole view into a pixmap at the screen's pixel ratio and places the markers.
  QPixmap render();
  const std::vector<SkyPainter::Marker>& markers() const { return markers_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  LiveSky& sky_;
  int mask_ = 0;
  std::vector<SkyPainter::Marker> markers_;
  QLabel* popup_ = nullptr;
};

class SignalBars : public QWidget {
  Q_OBJECT
 public:
  explicit SignalBars(LiveSky& sky, QWidget* parent = nullptr);
  // Follows the number of bars: below the narrowest step the scroll area scrolls.
  void refit();

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  LiveSky& sky_;
};

class CSatellitesWnd : public LiveViewBase {
  Q_OBJECT
 public:
  explicit CSatellitesWnd(QWidget* parent = nullptr, LiveSky::Clock clock = {});

  void begin() override;
  void feed(const std::vector<std::string>& messages) override;
  LiveSky& sky() { return sky_; }
  SkyView* view() const { return view_; }
  SignalBars* bars() const { return bars_; }
  QScrollArea* barScroll() const { return scroll_; }

 protected:
  void tick() override;

 private:
  LiveSky sky_;
  SkyView* view_;
  SignalBars* bars_;
  QScrollArea* scroll_;
};

}  // namespace plots
