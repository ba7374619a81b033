#pragma once
// The Satellites window: the sky plot with per-satellite tracks and signal bars, fed
// by its own receiver session ("GS:2,NS:2,EE:2"). Run as a modal tool.
#include <QDialog>
#include <QPixmap>
#include <memory>

#include "plots/PlotSession.h"
#include "plots/SatelliteSky.h"

class QLabel;

namespace plots {

class SkyView : public QWidget {
  Q_OBJECT
 public:
  explicit SkyView(SatelliteSky& sky, QWidget* parent = nullptr);
  void setElevationMask(int degrees) { mask_ = degrees; }
  // The popup of the marker under the last click, or null.
  QLabel* popup() const { return popup_; }
  // Draws the whole view into a pixmap at the screen's pixel ratio.
  QPixmap render();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  SatelliteSky& sky_;
  int mask_ = 0;
  QLabel* popup_ = nullptr;
};

class CSatellitesWnd : public QDialog {
  Q_OBJECT
 public:
  static constexpr PlotKind kKind{"Satellites ", "Satellites", "GS:2,NS:2,EE:2"};

  explicit CSatellitesWnd(QWidget* parent = nullptr);
  ~CSatellitesWnd() override;

  // Opens the session; the window stays open with the reply text when that fails.
  bool start(CConnection* conn, const std::string& receiverName, const std::string& model);
  SatelliteSky& sky() { return *sky_; }
  SkyView* view() const { return view_; }
  QLabel* statusLine() const { return status_; }
  PlotSession& session() { return *session_; }

 protected:
  void done(int r) override;

 private:
  std::unique_ptr<SatelliteSky> sky_;
  SkyView* view_;
  QLabel* status_;
  std::unique_ptr<PlotSession> session_;
};

}  // namespace plots
