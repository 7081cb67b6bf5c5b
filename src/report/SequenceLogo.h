#pragma once

#include <array>
#include <string>
#include <vector>

class SiteCollection;

// The sequence logo of a site collection: per position a stack of the four
// letters, the stack as high as the position's information in bits, each
// letter's share of it its frequency, so the letters that matter to binding
// stand out at a glance.

// One position of the logo.
struct LogoColumn {
    double height;                      // bits: the position's information, 0 where it is negative
    std::array<double, 4> letterHeight; // bits, in the order A, C, G, T
    char consensus;
};

// The heights follow the information the frequency table reports per
// position (single-precision logarithms included), so the two agree.
std::vector<LogoColumn> logoColumns(const SiteCollection& collection);

// The logo as SVG: a y axis in bits from 0 to 2, one <g class="logo-column">
// per position whose <title> gives its number, information and frequencies,
// the position numbers and consensus letters beneath. Standalone it is a whole
// document with an XML prolog; otherwise an <svg> element to place in an HTML
// page, with no ids or style sheet that could clash with the page or another logo.
std::string sequenceLogoSvg(const SiteCollection& collection, bool standalone = true);

// Writes the standalone logo through an OutputFile; a failed write goes
// through reportError.
void writeLogoFile(const SiteCollection& collection, const std::string& fileName);
