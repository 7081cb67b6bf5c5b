#pragma once

#include <string>

// The rules by which a file name gives its stem and its extension. Names are
// searched for their last '.' only up to index 1024.

// The name up to its last '.' (directory part kept); the whole name when it has none.
std::string stemOf(const std::string& fileName);

// Up to three characters after the last '.'; without a '.', the first three
// characters of the name serve as the extension.
std::string extensionOf(const std::string& fileName);
