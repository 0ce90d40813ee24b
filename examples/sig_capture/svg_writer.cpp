#include "svg_writer.h"

#include <algorithm>

namespace orv::example {

std::vector<std::vector<sigcap::SigPoint>> Strokes(const std::vector<sigcap::SigPoint>& points) {
    std::vector<std::vector<sigcap::SigPoint>> strokes(1);
    for (const sigcap::SigPoint& p : points) {
        if (p == sigcap::kPenUp) {
            if (!strokes.back().empty()) strokes.emplace_back();
            continue;
        }
        strokes.back().push_back(p);
    }
    if (strokes.back().empty()) strokes.pop_back();
    return strokes;
}

std::string SignatureSvg(const std::vector<sigcap::SigPoint>& points, int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
           "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) +
           " " + std::to_string(height) + "\">\n";
    svg += "  <rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    for (const auto& stroke : Strokes(points)) {
        svg += "  <polyline fill=\"none\" stroke=\"black\" stroke-width=\"2\" points=\"";
        for (size_t i = 0; i < stroke.size(); ++i) {
            if (i) svg += ' ';
            svg += std::to_string(stroke[i].x) + "," + std::to_string(stroke[i].y);
        }
        svg += "\"/>\n";
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace orv::example
