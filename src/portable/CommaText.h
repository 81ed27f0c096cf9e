// Comma text: a list of names in one line, as the catalogue hands out its
// plug-in list. Names are joined by single commas; a name holding a blank, a
// control character, a comma or a double quote is put in double quotes with
// each inner quote doubled.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace portable {

// An empty list gives "", a list of one empty name gives two double quotes.
std::string ToCommaText(const std::vector<std::string>& names);

// Splits comma text into its entries. Entries are separated by commas or by
// blanks (any character up to and including the space); an entry in double
// quotes may contain both, and a doubled quote in it stands for one. Blanks
// around entries are dropped; a comma always separates two entries, so ",,"
// and a trailing comma yield empty entries. A text of blanks only is empty.
// Whatever ToCommaText writes comes back unchanged.
std::vector<std::string> SplitCommaText(std::string_view text);

} // namespace portable
