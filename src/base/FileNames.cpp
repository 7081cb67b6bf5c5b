#include "base/FileNames.h"

namespace {

constexpr std::string::size_type nameSearchLimit = 1024;
constexpr std::string::size_type extensionLength = 3;

std::string::size_type lastDot(const std::string& fileName)
{
    return fileName.rfind('.', nameSearchLimit);
}

} // namespace

std::string stemOf(const std::string& fileName)
{
    return fileName.substr(0, lastDot(fileName));
}

std::string extensionOf(const std::string& fileName)
{
    const std::string::size_type dot = lastDot(fileName);
    if (dot == std::string::npos)
        return fileName.substr(0, extensionLength);
    return fileName.substr(dot + 1, extensionLength);
}
