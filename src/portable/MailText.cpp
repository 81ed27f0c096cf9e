#include "portable/MailText.h"

#include <iterator>

namespace portable {

namespace {

constexpr std::string_view kSmtpPrefix = "SMTP:";
constexpr const char* kAttachmentExtensions[] = {".bmp", ".jpg"};

} // namespace

std::string StripSmtpPrefix(std::string_view address)
{
    if (address.substr(0, kSmtpPrefix.size()) == kSmtpPrefix)
        address.remove_prefix(kSmtpPrefix.size());
    return std::string(address);
}

std::string FormatRecipient(std::string_view name, std::string_view address)
{
    std::string text(name);
    text += " <";
    text += StripSmtpPrefix(address);
    text += '>';
    return text;
}

const char* AttachmentExtension(long fileType) noexcept
{
    if (fileType < 0 || fileType >= static_cast<long>(std::size(kAttachmentExtensions)))
        return nullptr;
    return kAttachmentExtensions[fileType];
}

std::optional<std::string> AttachmentPath(std::string_view path, long fileType)
{
    const char* extension = AttachmentExtension(fileType);
    if (!extension)
        return std::nullopt;
    // The extension starts at the last dot after the last folder delimiter.
    const std::size_t dot = path.find_last_of(".\\:/");
    if (dot != std::string_view::npos && path[dot] == '.')
        path = path.substr(0, dot);
    std::string result(path);
    result += extension;
    return result;
}

} // namespace portable
