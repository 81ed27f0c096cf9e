#include "common/ImageStream.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "com/ComError.h"
#include "imaging/BmpFormat.h"
#include "imaging/BmpWriter.h"

namespace pixwell {
namespace {

// The block the stream starts on; it grows to the file's size before writing.
constexpr SIZE_T kInitialBlockSize = 10;
// IStream moves at most a ULONG per call; stay well below it.
constexpr std::size_t kMaxTransfer = 1u << 30;
// Reading grows the buffer geometrically from this size, so a stream that
// claims a large file but ends early never costs more than twice its content.
constexpr std::size_t kFirstReadChunk = 64 * 1024;

[[noreturn]] void RaiseStreamError(const char* what, HRESULT hr)
{
    throw fw::Error(std::string(what) + ": " + fw::SystemMessage(static_cast<DWORD>(hr)), hr);
}

// Writes into the stream, counting what went in.
class StreamSink final : public img::ByteSink {
public:
    explicit StreamSink(IStream* stream) : stream_(stream) {}

    void Write(const void* data, std::size_t size) override
    {
        auto bytes = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const ULONG chunk = static_cast<ULONG>(std::min(size, kMaxTransfer));
            ULONG written = 0;
            const HRESULT hr = stream_->Write(bytes, chunk, &written);
            if (FAILED(hr))
                RaiseStreamError(kImageStreamWriteError, hr);
            if (written == 0)
                RaiseStreamError(kImageStreamWriteError, STG_E_MEDIUMFULL);
            bytes += written;
            size -= written;
            total_ += written;
        }
    }

    std::size_t Total() const noexcept { return total_; }

private:
    IStream* stream_;
    std::size_t total_ = 0;
};

// Reads up to `size` bytes, across short reads; fewer only at the end of the stream.
std::size_t ReadSome(IStream* stream, std::uint8_t* into, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ULONG chunk = static_cast<ULONG>(std::min(size - done, kMaxTransfer));
        ULONG got = 0;
        const HRESULT hr = stream->Read(into + done, chunk, &got);
        if (FAILED(hr))
            RaiseStreamError(kImageStreamReadError, hr);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// Extends `data` towards `target` bytes from the stream; stops early at its end.
void ReadUpTo(IStream* stream, std::vector<std::uint8_t>& data, std::size_t target)
{
    while (data.size() < target) {
        const std::size_t want =
            std::min(target - data.size(), std::max(data.size(), kFirstReadChunk));
        const std::size_t old = data.size();
        data.resize(old + want);
        const std::size_t got = ReadSome(stream, data.data() + old, want);
        data.resize(old + got);
        if (got < want)
            return;
    }
}

// How much of the file decoding can use. Run-length data whose end the headers
// do not record is bounded by its worst case: two bytes per pixel of a row
// with its padding (runs may go on into it) plus an end-of-line code per row
// and the end-of-bitmap code.
std::size_t BytesToRead(const img::BmpInfo& info)
{
    const bool rle = info.compression == img::bmp::kBiRle8 || info.compression == img::bmp::kBiRle4;
    if (!rle)
        return info.requiredSize;
    const auto bits = static_cast<std::uint64_t>(info.bitCount);
    const std::uint64_t paddedWidth = (static_cast<std::uint64_t>(info.width) * bits + 31) / 32 * 32 / bits;
    const std::uint64_t worst = info.pixelOffset + 2ull * paddedWidth * static_cast<std::uint64_t>(info.height) +
                                2ull * static_cast<std::uint64_t>(info.height) + 2;
    std::uint64_t target = std::max<std::uint64_t>(info.requiredSize, info.fileSize);
    if (target <= info.pixelOffset || target > worst)
        target = worst;
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(target, std::numeric_limits<std::size_t>::max()));
}


// Bytes between the stream's position and its end, when it can tell.
std::optional<std::uint64_t> BytesLeft(IStream* stream)
{
    STATSTG stat{};
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
        FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &position)) ||
        stat.cbSize.QuadPart < position.QuadPart)
        return std::nullopt;
    return stat.cbSize.QuadPart - position.QuadPart;
}

// A stream over global memory, seen in place: its block, locked, and the
// bytes from the stream's position to the end of its data (and of the block).
struct InPlace {
    HGLOBAL block = nullptr;
    const std::uint8_t* data = nullptr;
    std::size_t available = 0;
    std::uint64_t position = 0;
};

std::optional<InPlace> LockInPlace(IStream* stream)
{
    InPlace view;
    if (FAILED(GetHGlobalFromStream(stream, &view.block)) || !view.block)
        return std::nullopt;
    STATSTG stat{};
    if (const HRESULT hr = stream->Stat(&stat, STATFLAG_NONAME); FAILED(hr))
        RaiseStreamError(kImageStreamReadError, hr);
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    if (const HRESULT hr = stream->Seek(zero, STREAM_SEEK_CUR, &position); FAILED(hr))
        RaiseStreamError(kImageStreamReadError, hr);
    const std::uint64_t end = std::min<std::uint64_t>(stat.cbSize.QuadPart, GlobalSize(view.block));
    view.position = std::min(position.QuadPart, end);
    view.available = static_cast<std::size_t>(end - view.position);
    if (view.available == 0) {
        // An empty block has no memory to lock; there is nothing to read.
        view.block = nullptr;
        return view;
    }
    const auto* base = static_cast<const std::uint8_t*>(GlobalLock(view.block));
    if (!base)
        RaiseStreamError(kImageStreamReadError, HRESULT_FROM_WIN32(GetLastError()));
    view.data = base + view.position;
    return view;
}

} // namespace

fw::ComPtr<IStream> MakeImageStream(const img::Bitmap& bitmap)
{
    return MakeImageStream(img::BitmapView::Of(bitmap));
}

fw::ComPtr<IStream> MakeImageStream(const img::BitmapView& bitmap)
{
    const std::size_t fileSize = img::BmpFileSize(bitmap);

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kInitialBlockSize);
    if (!block)
        RaiseStreamError(kImageStreamWriteError, E_OUTOFMEMORY);
    fw::ComPtr<IStream> stream;
    const HRESULT hr = CreateStreamOnHGlobal(block, TRUE, stream.Put());
    if (FAILED(hr)) {
        // The stream never took the block over.
        GlobalFree(block);
        RaiseStreamError(kImageStreamWriteError, hr);
    }

    // One allocation for the whole file instead of one per growing write.
    ULARGE_INTEGER size;
    size.QuadPart = fileSize;
    if (const HRESULT sized = stream->SetSize(size); FAILED(sized))
        RaiseStreamError(kImageStreamWriteError, sized);

    StreamSink sink(stream.Get());
    img::WriteBmp(bitmap, sink);
    if (sink.Total() != fileSize)
        throw fw::Error(std::string(kImageStreamWriteError) + ": the file is " +
                        std::to_string(sink.Total()) + " bytes instead of " +
                        std::to_string(fileSize));

    LARGE_INTEGER start{};
    if (const HRESULT moved = stream->Seek(start, STREAM_SEEK_SET, nullptr); FAILED(moved))
        RaiseStreamError(kImageStreamWriteError, moved);
    return stream;
}

img::Bitmap ReadImageStream(IStream* stream, const img::BmpReadLimits& limits)
{
    const ImageStreamBytes bytes = ReadImageStreamBytes(stream, limits);
    return img::ReadBmp(bytes.Data(), bytes.Size(), limits);
}

ImageStreamBytes ReadImageStreamBytes(IStream* stream, const img::BmpReadLimits& limits)
{
    if (!stream)
        RaiseStreamError(kImageStreamReadError, E_POINTER);
    ImageStreamBytes bytes;
    if (const std::optional<InPlace> view = LockInPlace(stream)) {
        if (view->block)
            bytes.locked_.reset(view->block);
        bytes.stream_ = fw::ComPtr<IStream>(stream);
        bytes.info_ = img::ReadBmpInfo(view->data, view->available, limits);
        bytes.data_ = view->data;
        bytes.size_ = std::min(view->available, BytesToRead(bytes.info_));
        // Where reading the same bytes would have left the stream.
        LARGE_INTEGER after{};
        after.QuadPart = static_cast<LONGLONG>(view->position + bytes.size_);
        if (const HRESULT hr = stream->Seek(after, STREAM_SEEK_SET, nullptr); FAILED(hr))
            RaiseStreamError(kImageStreamReadError, hr);
        return bytes;
    }

    std::vector<std::uint8_t>& data = bytes.copy_;
    ReadUpTo(stream, data, img::kBmpProbeSize);
    ReadUpTo(stream, data, img::BmpHeadersLength(data.data(), data.size()));
    bytes.info_ = img::ReadBmpInfo(data.data(), data.size(), limits);
    const std::size_t wanted = BytesToRead(bytes.info_);
    // A stream that knows its length gets one buffer of the right size;
    // otherwise the buffer grows with what actually arrives.
    if (const std::optional<std::uint64_t> left = BytesLeft(stream))
        data.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, data.size() + *left)));
    ReadUpTo(stream, data, wanted);
    bytes.data_ = data.data();
    bytes.size_ = data.size();
    return bytes;
}

} // namespace pixwell
