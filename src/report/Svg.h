#pragma once

#include <string>

// Text helpers for the SVG and HTML of the report, which is written as text
// directly: a page of a few dozen shapes needs no document library.

// `text` fit for element content and for an attribute value in either quote:
// & < > " ' become entities. Control characters that XML 1.0 cannot hold at
// all, even as references, become '?' so the document stays well formed.
std::string escapeXml(const std::string& text);

// ` name="value"`, the value escaped: the report writes its attributes
// through these, so that no text can end a quote early.
std::string attribute(const char* name, const std::string& value);
// A number as svgNumber writes it.
std::string attribute(const char* name, double value, int decimals);

// `value` rounded to `decimals` digits after the point (0 to 17) with its
// trailing zeros and a bare point dropped, and never "-0": coordinates stay
// short and two drawings of the same logo compare byte for byte. SVG has no
// word for a value that is not finite; it is written as 0.
std::string svgNumber(double value, int decimals);

// Fill colour of a base: A green, C blue, G amber, T red, the colours readers
// know from other logos; grey for any other letter.
const char* baseColour(char base);
