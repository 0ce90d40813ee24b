// A captured signature as an SVG drawing: one polyline per stroke (strokes end at the pen-up
// point), on a canvas of the pad's size.
#pragma once

#include <string>
#include <vector>

#include "point_array.h"

namespace orv::example {

// The strokes of a point list: runs between pen-up markers; empty runs are dropped.
std::vector<std::vector<sigcap::SigPoint>> Strokes(const std::vector<sigcap::SigPoint>& points);

std::string SignatureSvg(const std::vector<sigcap::SigPoint>& points, int width, int height);

}  // namespace orv::example
