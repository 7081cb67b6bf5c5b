#include "report/Svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::string escapeXml(const std::string& text)
{
    // Most texts (names, letters, numbers) need nothing.
    if (std::none_of(text.begin(), text.end(), [](char letter) {
            return letter == '&' || letter == '<' || letter == '>' || letter == '"' || letter == '\''
                || static_cast<unsigned char>(letter) < 0x20;
        }))
        return text;
    std::string escaped;
    escaped.reserve(text.size());
    for (const char letter : text) {
        const auto code = static_cast<unsigned char>(letter);
        switch (letter) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        // &apos; is not known to older HTML readers.
        case '\'': escaped += "&#39;"; break;
        default: escaped += code < 0x20 && letter != '\t' && letter != '\n' && letter != '\r' ? '?' : letter;
        }
    }
    return escaped;
}

std::string attribute(const char* name, const std::string& value)
{
    std::string text = " ";
    text += name;
    text += "=\"";
    text += escapeXml(value);
    text += '"';
    return text;
}

std::string attribute(const char* name, double value, int decimals)
{
    return attribute(name, svgNumber(value, decimals));
}

std::string svgNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return "0";
    decimals = std::clamp(decimals, 0, 17);
    // Fixed notation of the largest double: a sign, 309 digits, the point and the decimals.
    char text[330];
    char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    if (decimals > 0) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    std::string number(text, end);
    return number == "-0" ? "0" : number;
}

const char* baseColour(char base)
{
    switch (base) {
    case 'A': return "#109648";
    case 'C': return "#255C99";
    case 'G': return "#F7B32B";
    case 'T': return "#D62839";
    default: return "#808080";
    }
}
