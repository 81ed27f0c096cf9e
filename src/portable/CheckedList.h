// The text format of the list of plug-ins checked by default: one plug-in
// identifier per line, every line ended by CR LF.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace portable {

// Splits file content into lines. A line ends at CR, at LF or at CR LF; the
// last line may lack its end; a NUL ends the text. Lines are kept as they
// stand, blanks included.
std::vector<std::string> ParseCheckedLines(std::string_view content);

// Every line followed by CR LF; an empty list gives no bytes at all.
std::string FormatCheckedLines(const std::vector<std::string>& lines);

// Equality of two texts without regard to letter case.
using TextEquals = bool (*)(std::string_view, std::string_view);

// Case folding of ASCII letters only; the Windows build passes the system's
// locale-aware comparison instead.
bool SameTextAscii(std::string_view a, std::string_view b) noexcept;

// True when some line equals `identifier` under `equals`. Linear: the list
// holds a handful of entries.
bool IsListed(const std::vector<std::string>& lines, std::string_view identifier,
              TextEquals equals = SameTextAscii);

} // namespace portable
