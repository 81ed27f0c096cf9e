// Texts of the e-mail plug-in that depend only on their input: a recipient
// as its field shows it once resolved, and the name of the attachment file.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace portable {

// The address without a leading "SMTP:" in exactly that spelling; any other
// address, "smtp:..." included, comes back unchanged.
std::string StripSmtpPrefix(std::string_view address);

// The display name, a blank and the address without its "SMTP:" prefix in
// angle brackets: "Jane Roe <jane@example.org>".
std::string FormatRecipient(std::string_view name, std::string_view address);

// The extension of an attachment of `fileType`: 0 ".bmp", 1 ".jpg"; null
// for any other type.
const char* AttachmentExtension(long fileType) noexcept;

// `path` with the extension of its file-name part replaced by that of an
// attachment of `fileType`, or appended when it has none; nothing for a type
// without an extension.
std::optional<std::string> AttachmentPath(std::string_view path, long fileType);

} // namespace portable
