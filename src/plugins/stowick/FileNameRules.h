// The file-name rules of the options page, as the platform's path functions
// apply them: a path's folder part ends at its last backslash or colon, its
// extension starts at the last dot after that.
#pragma once
#include <string>
#include <string_view>

namespace stowick {

// Everything up to and including the last backslash or colon; empty when
// there is none.
std::string FolderPart(std::string_view path);
// What follows the folder part.
std::string FileNamePart(std::string_view path);
// `path` with the extension of its file-name part replaced by `extension`
// (".jpg"), or `extension` appended when it has none.
std::string ChangeExtension(std::string_view path, std::string_view extension);
// Without the blanks and control characters at either end.
std::string TrimBlanks(std::string_view text);

// Days of a date counted from 1 January of year 1 as day 1 (proleptic
// Gregorian calendar).
long DayNumber(int year, unsigned month, unsigned day);
// The generated name of a new file: "P", the day number, the milliseconds
// since midnight, ".bmp", all without padding.
std::string DefaultFileName(int year, unsigned month, unsigned day, long millisecondsOfDay);

} // namespace stowick
