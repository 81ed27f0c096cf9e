// The image stream handed from the host to plug-ins: a complete BMP file in
// global memory at position 0, and the plug-in side's reader of it.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "../native/BmpBuilder.h"
#include "../native/TestImages.h"
#include "common/ImageStream.h"
#include "com/ComError.h"
#include "imaging/BmpWriter.h"
#include "imaging/ImageError.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

ULONGLONG StreamLength(IStream* stream)
{
    STATSTG stat{};
    fw::OleCheck(stream->Stat(&stat, STATFLAG_NONAME));
    return stat.cbSize.QuadPart;
}

ULONGLONG Position(IStream* stream)
{
    LARGE_INTEGER zero{};
    ULARGE_INTEGER pos{};
    fw::OleCheck(stream->Seek(zero, STREAM_SEEK_CUR, &pos));
    return pos.QuadPart;
}

Bytes ReadAll(IStream* stream)
{
    Bytes data(static_cast<size_t>(StreamLength(stream)));
    ULONG got = 0;
    fw::OleCheck(stream->Read(data.data(), static_cast<ULONG>(data.size()), &got));
    data.resize(got);
    return data;
}

fw::ComPtr<IStream> StreamOf(const Bytes& data)
{
    fw::ComPtr<IStream> stream;
    fw::OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    ULONG written = 0;
    fw::OleCheck(stream->Write(data.data(), static_cast<ULONG>(data.size()), &written));
    LARGE_INTEGER zero{};
    fw::OleCheck(stream->Seek(zero, STREAM_SEEK_SET, nullptr));
    return stream;
}

uint32_t U32At(const Bytes& data, size_t offset)
{
    uint32_t v = 0;
    std::memcpy(&v, data.data() + offset, 4);
    return v;
}

// A read-only stream that hands out at most `chunk` bytes per Read, or fails
// every Read with `failure`: what another plug-in's stream may do.
class StingyStream : public IStream {
public:
    StingyStream(Bytes data, ULONG chunk, HRESULT failure = S_OK)
        : data_(std::move(data)), chunk_(chunk), failure_(failure) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
            IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Read(void* into, ULONG size, ULONG* read) override
    {
        ++reads;
        if (FAILED(failure_))
            return failure_;
        const ULONG n = std::min<ULONG>({size, chunk_, static_cast<ULONG>(data_.size() - pos_)});
        std::memcpy(into, data_.data() + pos_, n);
        pos_ += n;
        if (read)
            *read = n;
        return n < size ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    // Only telling the position, and only when it also tells its length.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
    {
        if (!statLength || move.QuadPart != 0 || origin != STREAM_SEEK_CUR || !position)
            return E_NOTIMPL;
        position->QuadPart = pos_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (!statLength)
            return E_NOTIMPL;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = *statLength;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

    int reads = 0;
    size_t pos_ = 0;
    std::optional<ULONGLONG> statLength; // what Stat claims, true or not

private:
    Bytes data_;
    ULONG chunk_;
    HRESULT failure_;
};

// Expects `read` to raise img::BmpError whose text contains `part`.
template <class Fn>
void ExpectInvalidBitmap(Fn&& read, const std::string& part)
{
    try {
        read();
        ADD_FAILURE() << "accepted bad data";
    } catch (const img::BmpError& e) {
        EXPECT_EQ(0, std::string(e.what()).rfind(img::BmpError::kPrefix, 0)) << e.what();
        EXPECT_NE(std::string::npos, std::string(e.what()).find(part)) << e.what();
    }
}

TEST(ImageStream, HoldsTheWholeBmpFileAtPositionZero)
{
    const img::Bitmap image = imgtest::NoiseImage(37, 13, img::PixelFormat::pf32bit);
    fw::ComPtr<IStream> stream = pixwell::MakeImageStream(image);
    ASSERT_TRUE(stream);
    EXPECT_EQ(0u, Position(stream.Get()));

    const Bytes file = ReadAll(stream.Get());
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    EXPECT_EQ(U32At(file, 2), StreamLength(stream.Get())) << "bfSize is the stream's length";
    EXPECT_EQ(file, img::EncodeBmp(image)) << "exactly the writer's bytes, nothing after them";
}

TEST(ImageStream, RoundTripsEveryPixelFormat)
{
    for (img::PixelFormat format : imgtest::kAllFormats) {
        SCOPED_TRACE(img::BitsPerPixel(format));
        const img::Bitmap image = imgtest::NoiseImage(29, 7, format, 5);
        fw::ComPtr<IStream> stream = pixwell::MakeImageStream(image);
        EXPECT_EQ(img::BmpFileSize(image), StreamLength(stream.Get()));
        const img::Bitmap back = pixwell::ReadImageStream(stream.Get());
        EXPECT_EQ(image, back);
    }
}

TEST(ImageStream, ReaderStartsAtTheCurrentPositionAndCopesWithShortReads)
{
    const img::Bitmap image = imgtest::NoiseImage(64, 40, img::PixelFormat::pf8bit, 9);
    Bytes data = {'j', 'u', 'n', 'k'};
    const Bytes file = img::EncodeBmp(image);
    data.insert(data.end(), file.begin(), file.end());

    fw::ComPtr<IStream> stream = StreamOf(data);
    LARGE_INTEGER skip{};
    skip.QuadPart = 4;
    fw::OleCheck(stream->Seek(skip, STREAM_SEEK_SET, nullptr));
    EXPECT_EQ(image, pixwell::ReadImageStream(stream.Get()));

    StingyStream stingy(file, 7);
    EXPECT_EQ(image, pixwell::ReadImageStream(&stingy));
    EXPECT_GT(stingy.reads, static_cast<int>(file.size() / 7));
}

TEST(ImageStream, GlobalMemoryIsReadInPlaceAndTheStreamLeftAfterTheFile)
{
    const img::Bitmap image = imgtest::NoiseImage(31, 9, img::PixelFormat::pf24bit, 3);
    const Bytes file = img::EncodeBmp(image);
    Bytes data = {'j', 'u', 'n', 'k'};
    data.insert(data.end(), file.begin(), file.end());
    data.insert(data.end(), {'t', 'a', 'i', 'l'});
    fw::ComPtr<IStream> stream = StreamOf(data);
    LARGE_INTEGER skip{};
    skip.QuadPart = 4;

    fw::OleCheck(stream->Seek(skip, STREAM_SEEK_SET, nullptr));
    EXPECT_EQ(image, pixwell::ReadImageStream(stream.Get()));
    EXPECT_EQ(4 + file.size(), Position(stream.Get())) << "as if the file had been read, no further";

    fw::OleCheck(stream->Seek(skip, STREAM_SEEK_SET, nullptr));
    const pixwell::ImageStreamBytes bytes = pixwell::ReadImageStreamBytes(stream.Get());
    EXPECT_EQ(4 + file.size(), Position(stream.Get()));
    HGLOBAL block = nullptr;
    fw::OleCheck(GetHGlobalFromStream(stream.Get(), &block));
    const auto* base = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_EQ(base + 4, bytes.Data()) << "no copy";
    GlobalUnlock(block);
    EXPECT_EQ(file.size(), bytes.Size()) << "the tail is not part of the file";
    EXPECT_EQ(31, bytes.Info().width);

    // The bytes keep the stream, and so its memory, alive.
    stream.Reset();
    EXPECT_EQ(image, img::ReadBmp(bytes.Data(), bytes.Size()));
}

TEST(ImageStream, OtherStreamsAreReadOnceWhateverLengthTheyClaim)
{
    const img::Bitmap image = imgtest::NoiseImage(300, 200, img::PixelFormat::pf32bit, 4);
    const Bytes file = img::EncodeBmp(image);
    Bytes data = file;
    data.insert(data.end(), 100, 0xEE);

    // The true length, one far too short and one far too long: the reader
    // takes the file and stops right after it.
    for (const ULONGLONG claim : {ULONGLONG{data.size()}, ULONGLONG{100}, ULONGLONG{1} << 40}) {
        SCOPED_TRACE(claim);
        StingyStream stream(data, 1u << 30);
        stream.statLength = claim;
        EXPECT_EQ(image, pixwell::ReadImageStream(&stream));
        EXPECT_EQ(file.size(), stream.pos_);
    }

    // A stream that ends before the pixels do, while claiming the whole file.
    StingyStream truncated(Bytes(file.begin(), file.end() - 1000), 1u << 30);
    truncated.statLength = file.size();
    ExpectInvalidBitmap([&] { pixwell::ReadImageStream(&truncated); }, "truncated");
}

// Run-length data whose length the headers leave open is read up to its
// worst case; rows whose runs go on into the padding count in full.
TEST(ImageStream, RunLengthRowsIntoThePaddingAreReadInFull)
{
    bmptest::BmpParts parts;
    parts.width = 1; // rows padded to 4 pixels
    parts.height = 2;
    parts.bitCount = 8;
    parts.compression = img::bmp::kBiRle8;
    parts.palette = {{0, 0, 0}, {10, 20, 30}, {40, 50, 60}};
    parts.pixels = {0, 3, 1, 9, 9, 0, 0, 0, 0, 3, 2, 9, 9, 0, 0, 1}; // absolute runs of 3
    const Bytes file = bmptest::BuildBmp(parts);
    for (const bool global : {true, false}) {
        SCOPED_TRACE(global ? "global memory" : "other stream");
        StingyStream other(file, 5);
        const img::Bitmap image =
            global ? pixwell::ReadImageStream(StreamOf(file).Get()) : pixwell::ReadImageStream(&other);
        EXPECT_EQ(image.GetPixel(0, 1), (img::Rgb{10, 20, 30}));
        EXPECT_EQ(image.GetPixel(0, 0), (img::Rgb{40, 50, 60}));
    }
}

TEST(ImageStream, BadContentRaisesAClearError)
{
    ExpectInvalidBitmap([] { pixwell::ReadImageStream(StreamOf({}).Get()); }, "too short");

    Bytes garbage(200);
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    ExpectInvalidBitmap([&] { pixwell::ReadImageStream(StreamOf(garbage).Get()); }, "\"BM\"");

    Bytes truncated = img::EncodeBmp(imgtest::NoiseImage(20, 20, img::PixelFormat::pf24bit));
    truncated.resize(truncated.size() - 61);
    ExpectInvalidBitmap([&] { pixwell::ReadImageStream(StreamOf(truncated).Get()); }, "truncated");
    truncated.resize(30);
    ExpectInvalidBitmap([&] { pixwell::ReadImageStream(StreamOf(truncated).Get()); }, "header");

    // Headers claiming pixels 2 GB into a small stream: the reader stops where
    // the stream ends instead of trying to hold what the headers claim.
    Bytes liar = img::EncodeBmp(imgtest::NoiseImage(4, 4, img::PixelFormat::pf24bit));
    const uint32_t farAway = 0x7FFFFFF0;
    std::memcpy(liar.data() + 10, &farAway, 4);
    StingyStream stingy(liar, 1 << 20);
    ExpectInvalidBitmap([&] { pixwell::ReadImageStream(&stingy); }, "beyond the end");
    EXPECT_LT(stingy.reads, 10);
}

TEST(ImageStream, StreamFailuresRaiseWithTheirStatus)
{
    StingyStream failing({}, 1, STG_E_ACCESSDENIED);
    try {
        pixwell::ReadImageStream(&failing);
        FAIL() << "a failing stream must raise";
    } catch (const fw::Error& e) {
        EXPECT_EQ(STG_E_ACCESSDENIED, e.code());
        EXPECT_EQ(0, std::string(e.what()).rfind(pixwell::kImageStreamReadError, 0)) << e.what();
    }
    try {
        pixwell::ReadImageStream(nullptr);
        FAIL() << "no stream must raise";
    } catch (const fw::Error& e) {
        EXPECT_EQ(E_POINTER, e.code());
    }
}

} // namespace
