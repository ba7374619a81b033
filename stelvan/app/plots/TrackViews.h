#pragma once
// The drawings of the Scatter and Position windows over a PositionTrack.
#include <QColor>
#include <QWidget>

#include "plots/PositionTrack.h"

namespace plots {

// Colour of a solution type (none, standalone, code differential, float, fixed).
QColor solutionColour(int type);
// A round scale step (1, 2 or 5 times a power of ten) that holds `span` metres.
double niceScale(double span);

// East/north scatter around the reference, with the CEP 50 % circle and the figures.
class ScatterView : public QWidget {
  Q_OBJECT
 public:
  explicit ScatterView(const PositionTrack& track, QWidget* parent = nullptr);
  QString figures() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  const PositionTrack& track_;
};

// North, east and up offsets against time, one strip each, dots coloured by solution.
class PositionView : public QWidget {
  Q_OBJECT
 public:
  explicit PositionView(const PositionTrack& track, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  const PositionTrack& track_;
};

}  // namespace plots
