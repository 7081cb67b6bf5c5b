#include "base/TextLines.h"

bool readTextLine(std::istream& input, std::string& line)
{
    if (!std::getline(input, line)) {
        line.clear();
        return false;
    }
    // eof after a successful getline means the line had no terminator.
    if (!input.eof() && !line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}
