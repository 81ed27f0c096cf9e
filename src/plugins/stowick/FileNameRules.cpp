#include "stowick/FileNameRules.h"

#include <chrono>

namespace stowick {

namespace {
constexpr std::string_view kFolderDelimiters = "\\:";
} // namespace

std::string FolderPart(std::string_view path)
{
    const std::size_t end = path.find_last_of(kFolderDelimiters);
    return end == std::string_view::npos ? std::string() : std::string(path.substr(0, end + 1));
}

std::string FileNamePart(std::string_view path)
{
    const std::size_t end = path.find_last_of(kFolderDelimiters);
    return std::string(end == std::string_view::npos ? path : path.substr(end + 1));
}

std::string ChangeExtension(std::string_view path, std::string_view extension)
{
    const std::size_t dot = path.find_last_of(".\\:");
    const std::string_view stem =
        dot != std::string_view::npos && path[dot] == '.' ? path.substr(0, dot) : path;
    std::string result(stem);
    result += extension;
    return result;
}

std::string TrimBlanks(std::string_view text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return std::string(text.substr(first, last - first));
}

long DayNumber(int year, unsigned month, unsigned day)
{
    using namespace std::chrono;
    const sys_days date{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}};
    const sys_days first{std::chrono::year{1} / January / 1};
    return static_cast<long>((date - first).count()) + 1;
}

std::string DefaultFileName(int year, unsigned month, unsigned day, long millisecondsOfDay)
{
    // Appended piece by piece: GCC 12 warns falsely about chained operator+.
    std::string name = "P";
    name += std::to_string(DayNumber(year, month, day));
    name += std::to_string(millisecondsOfDay);
    name += ".bmp";
    return name;
}

} // namespace stowick
