#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The report's plots drawn as SVG text: a linear scale, round ticks, axes,
// lines, labels and polylines, and the number texts their ticks carry. Each
// shape names a class of the page's style sheet rather than styling itself.

// `value` with `digits` significant digits, as %g gives it; "NA" where not available.
std::string figure(double value, int digits = 4);

// A count with its thousands set apart by commas: "9,283,304".
std::string withThousands(std::uint64_t value);

// A linear map from data to drawing coordinates.
struct Scale {
    double from0, from1, to0, to1;
    double operator()(double value) const
    {
        if (from1 == from0)
            return (to0 + to1) / 2;
        return to0 + (value - from0) * (to1 - to0) / (from1 - from0);
    }
};

// Round ticks between lo and hi, about `count` of them.
std::vector<double> ticks(double lo, double hi, int count);

// The opening tag of a drawing `width` by `height` user units, drawn at that size.
std::string svgOpen(double width, double height, const char* style);

std::string line(double x1, double y1, double x2, double y2, const char* style);

std::string label(double x, double y, const std::string& text, const char* anchor = "middle",
                  const char* style = "axis-label");

std::string polyline(const std::vector<std::pair<double, double>>& points, const char* style);

// A horizontal axis at y with ticks and a title under it; `thousands` writes
// the ticks as whole counts ("1,500,000") rather than figures ("1.5e+06").
std::string bottomAxis(const Scale& x, double y, const std::string& title, bool thousands = false);

// A vertical axis at x with the ticks given, on the left (or the right) of a plot.
std::string sideAxis(const Scale& y, double x, const std::vector<std::pair<double, std::string>>& marks,
                     const std::string& title, bool right = false);

// Ticks at powers of ten for an axis of log10 values.
std::vector<std::pair<double, std::string>> powerMarks(double lo, double hi);
