// A file written in full before it takes the place of the file of that name:
// the bytes go to a new temporary file in the same folder, and only Commit
// moves it over the target. A write that fails half-way, or is abandoned,
// deletes the temporary file and leaves whatever stood at the target as it
// was. Every file the program and the plug-ins write goes through it.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/BmpWriter.h"

namespace fw {

inline constexpr char kCreateFileError[] = "Cannot create file";
inline constexpr char kWriteFileError[] = "Cannot write file";

// `Cannot create file "<name>". <system message>`
std::string FileErrorText(const char* what, std::wstring_view fileName, DWORD error);

class ReplacingFile final : public img::ByteSink {
public:
    // Creates the temporary file beside `fileName` (used as given, in full
    // Unicode: a name without a folder lies in the current directory).
    // Raises fw::Error naming `fileName` when that folder cannot take a new
    // file.
    explicit ReplacingFile(std::wstring fileName);
    // Deletes the temporary file unless it was committed.
    ~ReplacingFile() override;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Buffered; raises fw::Error naming the file when the disk refuses.
    void Write(const void* data, std::size_t size) override;
    // Writes what is buffered, closes the file and moves it over the target
    // (an existing file is replaced). With `flush` the bytes reach the disk
    // before the move (for small files whose loss would cost the user
    // settings). Raises fw::Error naming the file.
    void Commit(bool flush = false);

    const std::wstring& FileName() const noexcept { return fileName_; }
    const std::wstring& TemporaryName() const noexcept { return tempName_; }

private:
    void Flush();
    void WriteThrough(const std::uint8_t* bytes, std::size_t size);
    void Discard() noexcept;

    std::wstring fileName_;
    std::wstring tempName_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::vector<std::uint8_t> buffer_;
    bool committed_ = false;
};

} // namespace fw
