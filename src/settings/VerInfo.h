// A small reader of a file's version resource: the data is read once, when
// the reader is made; string values are looked up under the first entry of
// the resource's translation table.
//     TVersionInfo info(fw::ModuleFileName());
//     std::string version = info.GetFileVersion(); // "1.0.1.37", or ""
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TVersionInfo {
public:
    // Copies the path and reads the file's version data.
    explicit TVersionInfo(const std::string& fileName);
    TVersionInfo(const TVersionInfo&) = delete;
    TVersionInfo& operator=(const TVersionInfo&) = delete;

    // Reads the version data again. A file without a version resource, or
    // one whose data can't be read, leaves the reader without data (every
    // value empty); a failing allocation is raised.
    void LoadVersionData();

    // The first entry of the translation table (low 16 bits the language,
    // high 16 bits the code page), or null when there is none.
    const uint32_t* GetTranslation() const;
    // The first translation as eight upper-case hexadecimal digits, the
    // language first ("040904E4"), or "" when there is none.
    std::string GetTranslationText() const;
    // A string value under the first translation, exactly as stored, or ""
    // when there is no such value.
    std::string GetStringValue(const std::string& key) const;
    // GetStringValue("FileVersion").
    std::string GetFileVersion() const;

    bool Valid() const noexcept { return VersionValid; }

private:
    std::string VersionFileName;
    bool VersionValid = false;
    DWORD VersionDataSize = 0;
    std::vector<BYTE> VersionData;
    DWORD VersionHandle = 0;
};
