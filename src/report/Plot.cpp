#include "report/Plot.h"

#include <algorithm>
#include <cmath>

#include "report/Svg.h"
#include "results/RowText.h"

std::string figure(double value, int digits)
{
    std::string text;
    appendRow(text, SignificantDigits{value, digits});
    return text;
}

std::string withThousands(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

std::vector<double> ticks(double lo, double hi, int count)
{
    std::vector<double> values;
    if (!(hi > lo))
        return {lo};
    const double rough = (hi - lo) / count;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (magnitude * factor >= rough) {
            step = magnitude * factor;
            break;
        }
    for (double tick = std::ceil(lo / step) * step; tick <= hi + step * 1e-9; tick += step)
        values.push_back(std::fabs(tick) < step * 1e-9 ? 0.0 : tick);
    return values;
}

std::string svgOpen(double width, double height, const char* style)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\"" + attribute("class", style)
         + attribute("viewBox", "0 0 " + svgNumber(width, 0) + " " + svgNumber(height, 0))
         + attribute("width", width, 0) + attribute("height", height, 0) + ">";
}

std::string line(double x1, double y1, double x2, double y2, const char* style)
{
    return "<line" + attribute("x1", x1, 1) + attribute("y1", y1, 1) + attribute("x2", x2, 1) + attribute("y2", y2, 1)
         + attribute("class", style) + "/>";
}

std::string label(double x, double y, const std::string& text, const char* anchor, const char* style)
{
    return "<text" + attribute("x", x, 1) + attribute("y", y, 1) + attribute("text-anchor", anchor)
         + attribute("class", style) + ">" + escapeXml(text) + "</text>";
}

std::string polyline(const std::vector<std::pair<double, double>>& points, const char* style)
{
    std::string coordinates;
    for (const auto& [x, y] : points)
        coordinates += svgNumber(x, 1) + "," + svgNumber(y, 1) + " ";
    return "<polyline" + attribute("class", style) + attribute("points", coordinates) + "/>";
}

std::string bottomAxis(const Scale& x, double y, const std::string& title, bool thousands)
{
    std::string text = line(x.to0, y, x.to1, y, "axis");
    for (const double tick : ticks(std::min(x.from0, x.from1), std::max(x.from0, x.from1), 8)) {
        text += line(x(tick), y, x(tick), y + 4, "axis");
        text += label(x(tick), y + 16, thousands ? withThousands(static_cast<std::uint64_t>(tick)) : figure(tick));
    }
    return text + label((x.to0 + x.to1) / 2, y + 32, title);
}

std::string sideAxis(const Scale& y, double x, const std::vector<std::pair<double, std::string>>& marks,
                     const std::string& title, bool right)
{
    std::string text = line(x, y.to0, x, y.to1, "axis");
    const double outward = right ? 4.0 : -4.0;
    for (const auto& [value, name] : marks) {
        text += line(x, y(value), x + outward, y(value), "axis");
        text += label(x + 2.5 * outward, y(value) + 4, name, right ? "start" : "end");
    }
    const double titleX = x + (right ? 52.0 : -52.0);
    const double middle = (y.to0 + y.to1) / 2;
    // Turned a quarter to read up the axis.
    return text + "<text" + attribute("class", "axis-label") + attribute("text-anchor", "middle")
         + attribute("transform", "translate(" + svgNumber(titleX, 1) + "," + svgNumber(middle, 1) + ") rotate(-90)")
         + ">" + escapeXml(title) + "</text>";
}

std::vector<std::pair<double, std::string>> powerMarks(double lo, double hi)
{
    std::vector<std::pair<double, std::string>> marks;
    const int step = hi - lo > 8 ? 2 : 1;
    for (int power = static_cast<int>(std::ceil(lo)); power <= hi; power += step)
        marks.emplace_back(power, power >= 0 && power <= 6
                                      ? withThousands(static_cast<std::uint64_t>(std::pow(10.0, power) + 0.5))
                                      : "1e" + std::to_string(power));
    return marks;
}
