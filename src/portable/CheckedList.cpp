#include "portable/CheckedList.h"

#include <algorithm>

namespace portable {
namespace {

constexpr char kLineEnd[] = "\r\n";

char FoldAscii(char c) noexcept
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::vector<std::string> ParseCheckedLines(std::string_view content)
{
    content = content.substr(0, content.find('\0'));
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t end = std::min(content.find_first_of("\r\n", pos), content.size());
        lines.emplace_back(content.substr(pos, end - pos));
        pos = end;
        if (pos < content.size() && content[pos] == '\r')
            ++pos;
        if (pos < content.size() && content[pos] == '\n')
            ++pos;
    }
    return lines;
}

std::string FormatCheckedLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += kLineEnd;
    }
    return out;
}

bool SameTextAscii(std::string_view a, std::string_view b) noexcept
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

bool IsListed(const std::vector<std::string>& lines, std::string_view identifier,
              TextEquals equals)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return equals(line, identifier); });
}

} // namespace portable
