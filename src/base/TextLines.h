#pragma once

#include <istream>
#include <string>

// Reads one text line into `line`, without its terminator: a line feed, or a
// carriage return and line feed. A carriage return not followed by a line
// feed stays. Returns false, with `line` empty, when no line was left.
bool readTextLine(std::istream& input, std::string& line);
