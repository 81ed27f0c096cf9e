#include "ui/Clipboard.h"
#include "ui/Application.h"
#include "base/Errors.h"
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include <algorithm>
#include <cstring>
#include <utility>

namespace fw {

namespace {

constexpr const char* kCannotOpenClipboard = "Cannot open clipboard";
constexpr const char* kClipboardRefused = "Cannot put the picture on the clipboard";
constexpr const char* kOutOfMemory = "Out of memory";
constexpr std::size_t kFileHeaderSize = 14;
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMs = 10;

// EmptyClipboard makes the window that opened the clipboard its owner; with
// no window at all the system refuses the data, so the program keeps one.
HWND ClipboardOwner()
{
    static MessageWindow owner;
    return owner.Handle();
}

class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner)
    {
        // Another program may hold the clipboard for a moment.
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            if (OpenClipboard(owner))
                return;
            Sleep(kOpenRetryMs);
        }
        RaiseLastOSError(kCannotOpenClipboard);
    }
    ~ClipboardSession() { CloseClipboard(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
};

class GlobalMemory {
public:
    explicit GlobalMemory(std::size_t size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1))
    {
        if (!memory_)
            throw Error(kOutOfMemory, E_OUTOFMEMORY);
    }
    ~GlobalMemory()
    {
        if (memory_)
            GlobalFree(memory_);
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL Get() const noexcept { return memory_; }
    HGLOBAL Release() noexcept { return std::exchange(memory_, nullptr); }

private:
    HGLOBAL memory_;
};

class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
    ~GlobalLockGuard()
    {
        if (data_)
            GlobalUnlock(memory_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* Data() const noexcept { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void WriteU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

[[noreturn]] void BadDib(const char* reason)
{
    throw Error(std::string("Invalid bitmap: ") + reason);
}

} // namespace

img::Bitmap DecodePackedDib(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (!bytes || size < 4)
        BadDib("data too short");
    const std::uint32_t headerSize = ReadU32(bytes);
    if (headerSize > size)
        BadDib("header larger than the data");
    // Where the pixels start: after the header, the masks and the colours.
    std::uint64_t tableBytes = 0;
    if (headerSize == 12) {
        const unsigned bitCount = ReadU16(bytes + 10);
        tableBytes = bitCount <= 8 ? (1ull << bitCount) * 3 : 0;
    } else if (headerSize >= 40) {
        const unsigned bitCount = ReadU16(bytes + 14);
        const std::uint32_t compression = ReadU32(bytes + 16);
        const std::uint32_t used = ReadU32(bytes + 32);
        const std::uint64_t entries = used ? used : (bitCount <= 8 ? 1ull << bitCount : 0);
        tableBytes = entries * 4;
        if (headerSize == 40 && compression == BI_BITFIELDS)
            tableBytes += 12;
        else if (headerSize == 40 && compression == 6) // BI_ALPHABITFIELDS
            tableBytes += 16;
    } else {
        BadDib("unknown header size");
    }
    const std::uint64_t pixelOffset = headerSize + tableBytes;
    if (pixelOffset > size)
        BadDib("colour table beyond the data");

    // The reader takes whole files: put a file header in front.
    std::vector<std::uint8_t> file(kFileHeaderSize + size);
    file[0] = 'B';
    file[1] = 'M';
    WriteU32(&file[2], static_cast<std::uint32_t>(file.size()));
    WriteU32(&file[10], static_cast<std::uint32_t>(kFileHeaderSize + pixelOffset));
    std::memcpy(file.data() + kFileHeaderSize, bytes, size);
    try {
        return img::ReadBmp(file.data(), file.size());
    } catch (const std::exception& e) {
        throw Error(e.what());
    }
}

namespace {

// Takes a BMP file's bytes and keeps all but its file header in a block of
// exactly the packed DIB's size.
class PackedDibSink final : public img::ByteSink {
public:
    PackedDibSink(std::uint8_t* block, std::size_t size) noexcept : block_(block), size_(size) {}
    void Write(const void* data, std::size_t size) override
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        const std::size_t skip = std::min(size, skip_);
        skip_ -= skip;
        bytes += skip;
        size -= skip;
        if (size > size_ - written_)
            throw Error(kOutOfMemory, E_OUTOFMEMORY);
        std::memcpy(block_ + written_, bytes, size);
        written_ += size;
    }

private:
    std::uint8_t* block_;
    std::size_t size_;
    std::size_t skip_ = kFileHeaderSize;
    std::size_t written_ = 0;
};

} // namespace

void CopyBitmapToClipboard(const DibBitmap& bitmap)
{
    // The packed DIB is the BMP file without its file header, written
    // straight from the bitmap's rows into the block the clipboard takes.
    const img::BitmapView image = bitmap.View();
    const std::size_t packedSize = img::BmpFileSize(image) - kFileHeaderSize;
    GlobalMemory dib(packedSize);
    {
        GlobalLockGuard lock(dib.Get());
        if (!lock.Data())
            throw Error(kOutOfMemory, E_OUTOFMEMORY);
        PackedDibSink sink(static_cast<std::uint8_t*>(lock.Data()), packedSize);
        img::WriteBmp(image, sink);
    }

    PaletteHandle palette;
    if (!image.palette.empty()) {
        const auto& colours = image.palette;
        std::vector<std::uint8_t> buffer(sizeof(LOGPALETTE) + colours.size() * sizeof(PALETTEENTRY));
        auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(colours.size());
        for (std::size_t i = 0; i < colours.size(); ++i)
            log->palPalEntry[i] = PALETTEENTRY{colours[i].r, colours[i].g, colours[i].b, 0};
        palette.Reset(CreatePalette(log));
    }

    ClipboardSession session(ClipboardOwner());
    EmptyClipboard();
    if (!SetClipboardData(CF_DIB, dib.Get()))
        RaiseLastOSError(kClipboardRefused);
    dib.Release(); // the clipboard owns it now
    if (palette && SetClipboardData(CF_PALETTE, palette.Get()))
        (void)palette.Release();
}

std::optional<img::Bitmap> BitmapFromClipboard()
{
    ClipboardSession session(nullptr);
    HANDLE data = GetClipboardData(CF_DIB);
    if (!data)
        return std::nullopt;
    GlobalLockGuard lock(data);
    if (!lock.Data())
        return std::nullopt;
    return DecodePackedDib(lock.Data(), GlobalSize(data));
}

std::vector<img::Rgb> PaletteFromClipboard()
{
    ClipboardSession session(nullptr);
    auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    std::vector<img::Rgb> colours;
    if (!palette)
        return colours;
    const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
    std::vector<PALETTEENTRY> entries(count);
    if (count)
        GetPaletteEntries(palette, 0, count, entries.data());
    for (const PALETTEENTRY& e : entries)
        colours.push_back(img::Rgb{e.peRed, e.peGreen, e.peBlue});
    return colours;
}

} // namespace fw
