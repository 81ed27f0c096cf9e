#include "base/ReplacingFile.h"

#include <algorithm>
#include <utility>

#include "base/Errors.h"
#include "base/Text.h"

namespace fw {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;
// WriteFile moves at most a DWORD per call; stay well below it.
constexpr std::size_t kMaxWrite = 1u << 30;
constexpr wchar_t kTempPrefix[] = L"~vst";
constexpr wchar_t kTempSuffix[] = L".tmp";
// Names tried before giving up when others keep appearing first.
constexpr int kTempAttempts = 100;

// The folder part of a path as the user gave it: everything up to and
// including the last separator; empty for a bare name.
std::wstring FolderPart(const std::wstring& path)
{
    const std::size_t end = path.find_last_of(L"\\/:");
    return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

std::wstring TemporaryNameIn(const std::wstring& folder, unsigned number)
{
    wchar_t digits[16];
    wsprintfW(digits, L"%08X", number);
    return folder + kTempPrefix + digits + kTempSuffix;
}

[[noreturn]] void Raise(const char* what, const std::wstring& fileName, DWORD error)
{
    throw Error(FileErrorText(what, fileName, error), HRESULT_FROM_WIN32(error));
}

} // namespace

std::string FileErrorText(const char* what, std::wstring_view fileName, DWORD error)
{
    return std::string(what) + " \"" + WideToAnsi(fileName) + "\". " + SystemMessage(error);
}

ReplacingFile::ReplacingFile(std::wstring fileName) : fileName_(std::move(fileName))
{
    // An empty name would put the temporary file in the current directory
    // and fail only at the move; refuse it as the system would.
    if (fileName_.empty())
        Raise(kCreateFileError, fileName_, ERROR_INVALID_NAME);

    const std::wstring folder = FolderPart(fileName_);
    unsigned number = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < kTempAttempts; ++attempt, ++number) {
        std::wstring candidate = TemporaryNameIn(folder, number);
        file_ = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ != INVALID_HANDLE_VALUE) {
            tempName_ = std::move(candidate);
            buffer_.reserve(kBufferSize);
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            Raise(kCreateFileError, fileName_, error);
    }
    Raise(kCreateFileError, fileName_, ERROR_FILE_EXISTS);
}

ReplacingFile::~ReplacingFile()
{
    if (!committed_)
        Discard();
}

void ReplacingFile::Write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (buffer_.empty() && size >= kBufferSize) {
        // Large blocks go straight to the disk without a copy.
        WriteThrough(bytes, size);
        return;
    }
    while (size > 0) {
        if (buffer_.size() == kBufferSize)
            Flush();
        const std::size_t part = std::min(size, kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), bytes, bytes + part);
        bytes += part;
        size -= part;
    }
}

void ReplacingFile::Flush()
{
    WriteThrough(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void ReplacingFile::WriteThrough(const std::uint8_t* bytes, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min(size - done, kMaxWrite));
        DWORD written = 0;
        if (!WriteFile(file_, bytes + done, chunk, &written, nullptr))
            Raise(kWriteFileError, fileName_, GetLastError());
        if (written == 0)
            Raise(kWriteFileError, fileName_, ERROR_DISK_FULL);
        done += written;
    }
}

void ReplacingFile::Commit(bool flush)
{
    Flush();
    if (flush && !FlushFileBuffers(file_))
        Raise(kWriteFileError, fileName_, GetLastError());
    const HANDLE file = std::exchange(file_, INVALID_HANDLE_VALUE);
    if (!CloseHandle(file))
        Raise(kWriteFileError, fileName_, GetLastError());
    if (!MoveFileExW(tempName_.c_str(), fileName_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Raise(kCreateFileError, fileName_, GetLastError());
    committed_ = true;
}

void ReplacingFile::Discard() noexcept
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(std::exchange(file_, INVALID_HANDLE_VALUE));
    if (!tempName_.empty())
        DeleteFileW(tempName_.c_str());
}

} // namespace fw
