#include "plots/LabelLayout.h"

#include <cmath>

namespace plots {

namespace {

constexpr double kGap = 1;
constexpr int kAngles = 16;

bool inside(const LabelRect& r, const LabelRect& b) {
  return r.x >= b.x && r.y >= b.y && r.x + r.w <= b.x + b.w && r.y + r.h <= b.y + b.h;
}

bool unoccupied(const LabelRect& r, const std::vector<LabelRect>& taken) {
  for (const LabelRect& t : taken)
    if (r.intersects(t)) return false;
  return true;
}

// The eight places touching the marker: below, above, right, left, then the corners.
std::vector<LabelRect> besideMarker(const LabelRequest& l, double half) {
  const double cx = l.markerX - l.w / 2, cy = l.markerY - l.h / 2;
  const double below = l.markerY + half + kGap, above = l.markerY - half - kGap - l.h;
  const double right = l.markerX + half + kGap, left = l.markerX - half - kGap - l.w;
  return {{cx, below, l.w, l.h},    {cx, above, l.w, l.h},    {right, cy, l.w, l.h},
          {left, cy, l.w, l.h},     {right, below, l.w, l.h}, {left, below, l.w, l.h},
          {right, above, l.w, l.h}, {left, above, l.w, l.h}};
}

}  // namespace

std::vector<PlacedLabel> placeLabels(const std::vector<LabelRequest>& labels, double markerSize,
                                     const LabelRect& bounds, const std::vector<LabelRect>& keepClear) {
  const double half = markerSize / 2;
  std::vector<LabelRect> taken = keepClear;  // then the markers, then each label as it is placed
  for (const LabelRequest& l : labels)
    taken.push_back(
        {l.markerX - half - kGap, l.markerY - half - kGap, markerSize + 2 * kGap, markerSize + 2 * kGap});
  const double reach = std::hypot(bounds.w, bounds.h);
  double spillY = bounds.y;  // labels without room inside go in a column right of the bounds
  std::vector<PlacedLabel> out;
  for (const LabelRequest& l : labels) {
    PlacedLabel p;
    bool placed = false;
    for (const LabelRect& r : besideMarker(l, half))
      if (!placed && inside(r, bounds) && unoccupied(r, taken)) p.rect = r, placed = true;
    const double step = std::max(4.0, l.h);
    for (double radius = step + half; !placed && radius < reach; radius += step) {
      for (int a = 0; a < kAngles && !placed; ++a) {
        const double t = 2 * M_PI * a / kAngles + M_PI / 2;  // from straight below, clockwise
        const LabelRect r{l.markerX + std::cos(t) * radius - l.w / 2,
                          l.markerY + std::sin(t) * radius - l.h / 2, l.w, l.h};
        if (inside(r, bounds) && unoccupied(r, taken)) p.rect = r, p.leader = true, placed = true;
      }
    }
    if (!placed) {
      p.rect = {bounds.x + bounds.w + kGap, spillY, l.w, l.h};
      p.leader = true;
      spillY += l.h + kGap;
    }
    taken.push_back(p.rect);
    out.push_back(p);
  }
  return out;
}

}  // namespace plots
