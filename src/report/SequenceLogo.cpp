#include "report/SequenceLogo.h"

#include <algorithm>
#include <numeric>

#include "base/OutputFile.h"
#include "motif/SiteCollection.h"
#include "report/Svg.h"
#include "results/RowText.h"

namespace {

// Drawing units; the logo scales with its viewBox.
constexpr double columnWidth = 30.0;
constexpr double letterGap = 1.0; // each side of a letter, so neighbouring stacks stay apart
constexpr double bitHeight = 75.0;
// A position of four letters holds at most 2 bits.
constexpr double axisBits = 2.0;
constexpr double marginLeft = 50.0; // the axis, its numbers and its label
constexpr double marginTop = 10.0;
constexpr double marginRight = 10.0;
constexpr double marginBottom = 44.0; // position numbers and consensus letters
constexpr double baseLine = marginTop + axisBits * bitHeight;

// The stacked letters are outlines in a 100 x 100 box (y downwards), scaled
// to their width and height. Text would follow the reader's fonts, whose
// capitals stand 0.69 to 0.73 of the font size: a letter's height is what the
// logo tells, so it must not depend on them. All outlines wind one way (a
// counter the other), so the default fill rule joins the G's bar to its bowl
// and opens the A's counter.
constexpr double glyphBox = 100.0;
constexpr const char* glyphs[4] = {
    "M0 100L38 0H62L100 100H77L68 76H32L23 100ZM39 57H61L50 27Z",
    "M85.36 14.64A50 50 0 1 0 85.36 85.36L71.21 71.21A30 30 0 1 1 71.21 28.79Z",
    "M85.36 14.64A50 50 0 1 0 100 50H80A30 30 0 1 1 71.21 28.79ZM52 50V68H100V50Z",
    "M0 0H100V19H61V100H39V19H0Z",
};
// A letter lower than this is not drawn: it would not be seen.
constexpr double leastDrawnHeight = 0.05;

constexpr char bases[4] = {'A', 'C', 'G', 'T'};

std::string columnTitle(std::size_t number, const MotifColumn& column, const LogoColumn& logo)
{
    std::string title;
    appendRow(title, "Position ", number, ": ", svgNumber(logo.height, 3), " bits; A ", svgNumber(column.freqA, 3),
              ", C ", svgNumber(column.freqC, 3), ", G ", svgNumber(column.freqG, 3), ", T ",
              svgNumber(column.freqT, 3));
    return title;
}

void appendAxis(std::string& svg)
{
    const double axisX = marginLeft - 6.0;
    const std::string top = svgNumber(baseLine - axisBits * bitHeight, 2);
    appendRow(svg, "<g stroke=\"#000\" stroke-width=\"1\"><line x1=\"", svgNumber(axisX, 2), "\" y1=\"", top,
              "\" x2=\"", svgNumber(axisX, 2), "\" y2=\"", svgNumber(baseLine, 2), "\"/>");
    std::string labels;
    // Half-bit ticks, the whole bits longer and numbered.
    for (int halfBits = 0; halfBits <= 2 * axisBits; ++halfBits) {
        const double y = baseLine - halfBits * bitHeight / 2;
        const bool whole = halfBits % 2 == 0;
        appendRow(svg, "<line x1=\"", svgNumber(axisX - (whole ? 5.0 : 3.0), 2), "\" y1=\"", svgNumber(y, 2),
                  "\" x2=\"", svgNumber(axisX, 2), "\" y2=\"", svgNumber(y, 2), "\"/>");
        if (whole)
            appendRow(labels, "<text x=\"", svgNumber(axisX - 8.0, 2), "\" y=\"", svgNumber(y, 2), "\" dy=\"0.35em\">",
                      halfBits / 2, "</text>");
    }
    appendRow(svg, "</g><g font-size=\"11\" text-anchor=\"end\">", labels, "</g>");
    appendRow(svg, "<text transform=\"translate(14,", svgNumber(baseLine - axisBits * bitHeight / 2, 2),
              ") rotate(-90)\" font-size=\"12\" text-anchor=\"middle\">bits</text>");
}

// The letters of one position stacked from its baseline, the lowest at the
// bottom, so the one that matters most is on top where the eye finds it.
void appendStack(std::string& svg, const LogoColumn& column, double left)
{
    std::array<int, 4> order;
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return column.letterHeight[a] < column.letterHeight[b]; });
    double bottom = baseLine;
    for (const int base : order) {
        const double height = column.letterHeight[base] * bitHeight;
        if (height < leastDrawnHeight)
            continue;
        appendRow(svg, "<path transform=\"translate(", svgNumber(left + letterGap, 2), ',',
                  svgNumber(bottom - height, 3), ") scale(", svgNumber((columnWidth - 2 * letterGap) / glyphBox, 5),
                  ',', svgNumber(height / glyphBox, 5), ")\" fill=\"", baseColour(bases[base]), "\" d=\"", glyphs[base],
                  "\"/>");
        bottom -= height;
    }
}

} // namespace

std::vector<LogoColumn> logoColumns(const SiteCollection& collection)
{
    std::vector<LogoColumn> logo;
    logo.reserve(collection.columns.size());
    for (const MotifColumn& column : collection.columns) {
        // Written so that a NaN gives an empty column too.
        const double height = column.rsequence > 0.0 ? column.rsequence : 0.0;
        logo.push_back({height,
                        {column.freqA * height, column.freqC * height, column.freqG * height, column.freqT * height},
                        column.consensus});
    }
    return logo;
}

std::string sequenceLogoSvg(const SiteCollection& collection, bool standalone)
{
    const std::vector<LogoColumn> logo = logoColumns(collection);
    const std::string width = svgNumber(marginLeft + logo.size() * columnWidth + marginRight, 2);
    const std::string height = svgNumber(baseLine + marginBottom, 2);
    // The motif's name is its file's stem, folders included: the folders say
    // nothing about the motif.
    const std::string& stem = collection.motifName;
    const std::string name = escapeXml(stem.substr(stem.find_last_of('/') + 1));

    std::string svg = standalone ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" : "";
    appendRow(svg, "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ", width, ' ', height, "\" width=\"", width,
              "\" height=\"", height, "\" font-family=\"sans-serif\" role=\"img\">\n<title>Sequence logo of ", name,
              " (", collection.siteCount(), " sites)</title>\n");
    appendAxis(svg);
    svg += '\n';
    for (std::size_t index = 0; index < logo.size(); ++index) {
        const double left = marginLeft + index * columnWidth;
        const std::string middle = svgNumber(left + columnWidth / 2, 2);
        appendRow(svg, "<g class=\"logo-column\"><title>",
                  columnTitle(index + 1, collection.columns[index], logo[index]), "</title>");
        // An invisible face over the whole position, so that its title shows
        // on hover even where no letter is drawn.
        appendRow(svg, "<rect x=\"", svgNumber(left, 2), "\" y=\"", svgNumber(marginTop, 2), "\" width=\"",
                  svgNumber(columnWidth, 2), "\" height=\"", svgNumber(axisBits * bitHeight + marginBottom, 2),
                  "\" fill=\"none\" pointer-events=\"all\"/>");
        appendStack(svg, logo[index], left);
        appendRow(svg, "<text x=\"", middle, "\" y=\"", svgNumber(baseLine + 15.0, 2),
                  "\" font-size=\"11\" text-anchor=\"middle\">", index + 1, "</text>");
        appendRow(svg, "<text x=\"", middle, "\" y=\"", svgNumber(baseLine + 36.0, 2),
                  "\" font-size=\"16\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"",
                  baseColour(logo[index].consensus), "\">", logo[index].consensus, "</text></g>\n");
    }
    svg += "</svg>\n";
    return svg;
}

void writeLogoFile(const SiteCollection& collection, const std::string& fileName)
{
    writeOutputFile(fileName, "Sequence logo", [&](std::ostream& out) { out << sequenceLogoSvg(collection); });
}
