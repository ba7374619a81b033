#pragma once
// Places the satellite labels of the sky plot so that no two overlap and none covers a
// marker: each label goes beside its marker when there is room, else further out, where a
// leader line joins it to its marker. No widgets: plain rectangles in logical pixels.
#include <vector>

namespace plots {

struct LabelRect {
  double x = 0, y = 0, w = 0, h = 0;
  bool intersects(const LabelRect& o) const {
    return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h;
  }
};

struct LabelRequest {
  double markerX = 0, markerY = 0;  // the marker's centre
  double w = 0, h = 0;              // the label's text size
};

struct PlacedLabel {
  LabelRect rect;
  bool leader = false;  // too far from its marker to be read as its own: draw a line
};

// `markerSize`: the square markers' side, kept clear of labels, as is every rectangle of
// `keepClear` (the plot's own lettering). `bounds`: where labels should stay; a label that
// finds no room inside goes outside it rather than onto another.
std::vector<PlacedLabel> placeLabels(const std::vector<LabelRequest>& labels, double markerSize,
                                     const LabelRect& bounds, const std::vector<LabelRect>& keepClear = {});

}  // namespace plots
