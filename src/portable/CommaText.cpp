#include "portable/CommaText.h"

#include <algorithm>

namespace portable {
namespace {

constexpr char kDelimiter = ',';
constexpr char kQuote = '"';

bool IsBlank(char c) noexcept
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool NeedsQuotes(std::string_view name) noexcept
{
    return name.empty() || std::any_of(name.begin(), name.end(), [](char c) {
               return IsBlank(c) || c == kDelimiter || c == kQuote;
           });
}

void AppendQuoted(std::string& out, std::string_view name)
{
    out += kQuote;
    for (char c : name) {
        if (c == kQuote)
            out += kQuote;
        out += c;
    }
    out += kQuote;
}

// Reads a quoted entry starting at the opening quote; `pos` ends after the
// closing quote. An unterminated quote takes the rest of the text.
std::string ReadQuoted(std::string_view text, size_t& pos)
{
    std::string entry;
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c != kQuote) {
            entry += c;
        } else if (pos < text.size() && text[pos] == kQuote) {
            entry += kQuote;
            ++pos;
        } else {
            break;
        }
    }
    return entry;
}

std::string ReadPlain(std::string_view text, size_t& pos)
{
    const size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != kDelimiter)
        ++pos;
    return std::string(text.substr(start, pos - start));
}

void SkipBlanks(std::string_view text, size_t& pos) noexcept
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
}

} // namespace

std::string ToCommaText(const std::vector<std::string>& names)
{
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += kDelimiter;
        if (NeedsQuotes(names[i]))
            AppendQuoted(out, names[i]);
        else
            out += names[i];
    }
    return out;
}

std::vector<std::string> SplitCommaText(std::string_view text)
{
    std::vector<std::string> entries;
    size_t pos = 0;
    SkipBlanks(text, pos);
    while (pos < text.size()) {
        entries.push_back(text[pos] == kQuote ? ReadQuoted(text, pos) : ReadPlain(text, pos));
        SkipBlanks(text, pos);
        if (pos < text.size() && text[pos] == kDelimiter) {
            ++pos;
            SkipBlanks(text, pos);
            // The comma promises an entry after it, even an empty last one.
            if (pos == text.size())
                entries.emplace_back();
        }
    }
    return entries;
}

} // namespace portable
