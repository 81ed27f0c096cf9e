#include "settings/VerInfo.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kTranslationBlock[] = "\\VarFileInfo\\Translation";
constexpr char kStringFileInfoBlock[] = "\\StringFileInfo\\";
constexpr char kFileVersionKey[] = "FileVersion";
// The sub-block path of a string value is built in a buffer of this size.
constexpr size_t kSubBlockBufferSize = 256;

} // namespace

TVersionInfo::TVersionInfo(const std::string& fileName) : VersionFileName(fileName)
{
    LoadVersionData();
}

void TVersionInfo::LoadVersionData()
{
    VersionValid = false;
    VersionData.clear();
    VersionDataSize = GetFileVersionInfoSizeA(VersionFileName.c_str(), &VersionHandle);
    if (VersionDataSize == 0)
        return;
    VersionData.assign(VersionDataSize, 0);
    VersionValid = GetFileVersionInfoA(VersionFileName.c_str(), VersionHandle, VersionDataSize,
                                       VersionData.data()) != FALSE;
}

const uint32_t* TVersionInfo::GetTranslation() const
{
    if (!VersionValid)
        return nullptr;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(VersionData.data(), kTranslationBlock, &value, &length) || !value ||
        length < sizeof(uint32_t))
        return nullptr;
    return static_cast<const uint32_t*>(value);
}

std::string TVersionInfo::GetTranslationText() const
{
    const uint32_t* translation = GetTranslation();
    if (!translation)
        return {};
    // The entry is two 16-bit numbers, the language first: as one number
    // the language is the low half.
    uint32_t entry = 0;
    std::memcpy(&entry, translation, sizeof entry);
    const uint32_t language = entry & 0xFFFF;
    const uint32_t codePage = entry >> 16;
    char text[9] = {};
    std::snprintf(text, sizeof text, "%08X", (language << 16) | codePage);
    return text;
}

std::string TVersionInfo::GetStringValue(const std::string& key) const
{
    if (!VersionValid)
        return {};
    const std::string translation = GetTranslationText();
    if (translation.empty())
        return {};
    const std::string subBlock = kStringFileInfoBlock + translation + "\\" + key;
    if (subBlock.size() >= kSubBlockBufferSize)
        return {};
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(VersionData.data(), subBlock.c_str(), &value, &length) || !value)
        return {};
    // The value is a zero-terminated string inside the data block; a
    // malformed block without the zero is not read past its end.
    const char* text = static_cast<const char*>(value);
    const char* begin = reinterpret_cast<const char*>(VersionData.data());
    if (text < begin || text >= begin + VersionData.size())
        return {};
    return std::string(text, strnlen(text, static_cast<size_t>(begin + VersionData.size() - text)));
}

std::string TVersionInfo::GetFileVersion() const
{
    return GetStringValue(kFileVersionKey);
}
