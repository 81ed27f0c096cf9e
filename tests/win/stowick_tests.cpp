// The file-save plug-in: its type library, the plug-in object writing BMP and
// JPEG files, the JPEG settings dialog, the options page against the
// registry, and the library's registration. The object, the dialog and the
// page run in process from the plug-in's static library; the type library
// and the registration are those of stowick.dll itself, copied beside this
// program.
#pragma GCC diagnostic ignored "-Wrestrict"          // GCC 12's false alarm on chained string +

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <shlobj.h>
#include <commctrl.h>

#include "ScalingChecks.h"
#include "stowick/FileNameRules.h"
#include "stowick/FileSaveUnit.h"
#include "stowick/JPEGSettingsUnit.h"
#include "stowick/JpegWriter.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "base/ReplacingFile.h"
#include "stowick/StowickOptionsImpl.h"
#include "stowick/StowickSettings.h"
#include "common/ImageStream.h"
#include "ui/Application.h"
#include "com/AutoObject.h"
#include "com/Com.h"
#include "base/Registry.h"
#include "imaging/BmpReader.h"
#include "imaging/Convert.h"
#include "imaging/ImageError.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

using Bytes = std::vector<unsigned char>;

// The plug-in's code is built here to trap (an illegal instruction) when it
// reads an enumeration or bool holding a value its type cannot. Say so and
// end at once, rather than leave Wine's crash dialog waiting on the display.
const bool kCrashesReported = [] {
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* e) -> LONG {
        std::fprintf(stderr, "stowick_tests: unhandled exception 0x%08lX at %p%s\n",
                     e->ExceptionRecord->ExceptionCode, e->ExceptionRecord->ExceptionAddress,
                     e->ExceptionRecord->ExceptionCode == EXCEPTION_ILLEGAL_INSTRUCTION
                         ? " (an out-of-range enum or bool value?)"
                         : "");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return EXCEPTION_EXECUTE_HANDLER;
    });
    return true;
}();

// ---- Files and folders ---------------------------------------------------------------

// A fresh, empty folder under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder()
    {
        static int counter = 0;
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "stowick_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder()
    {
        for (const std::string& name : Files())
            DeleteFileA((path_ + name).c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        const HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        return names;
    }

private:
    std::string path_;
};

Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// ---- Images ------------------------------------------------------------------------------------

// Blocks of 16 by 16 pixels in distinct colours: JPEG keeps them almost
// exactly, so a swapped channel order shows.
img::Bitmap BlockImage(img::PixelFormat format, int width = 64, int height = 48)
{
    img::Bitmap bitmap(width, height, format);
    if (img::HasPalette(format)) {
        const int size = img::PaletteSize(format);
        std::vector<img::Rgb> palette;
        for (int i = 0; i < size; ++i)
            palette.push_back({static_cast<uint8_t>(255 - i * 37 % 256), static_cast<uint8_t>(i * 91 % 256),
                               static_cast<uint8_t>(i * 53 % 256)});
        bitmap.SetPalette(palette);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bitmap.SetIndex(x, y, (x / 16 + 3 * (y / 16)) % size);
        return bitmap;
    }
    const img::Rgb colours[] = {{255, 0, 0}, {0, 200, 0}, {0, 0, 255}, {240, 240, 0},
                                {0, 128, 255}, {255, 255, 255}, {40, 40, 40}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, colours[(x / 16 + 3 * (y / 16)) % 7]);
    return bitmap;
}

constexpr img::PixelFormat kAllFormats[] = {img::PixelFormat::pf1bit,  img::PixelFormat::pf4bit,
                                            img::PixelFormat::pf8bit,  img::PixelFormat::pf15bit,
                                            img::PixelFormat::pf16bit, img::PixelFormat::pf24bit,
                                            img::PixelFormat::pf32bit};

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

// ---- JPEG decoding, the way any viewer would ------------------------------------------------

struct Decoded {
    int width = 0, height = 0, components = 0;
    Bytes pixels; // rows of `components` bytes per pixel
    bool ok = false;
};

struct JumpingErrors {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

// Only plain data lives in the frame that longjmp returns to.
bool DecodeInto(const Bytes& data, Decoded& out, jpeg_decompress_struct& cinfo, JumpingErrors& errors)
{
    if (setjmp(errors.back))
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * out.components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.pixels[static_cast<size_t>(cinfo.output_scanline) * out.width * out.components];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

Decoded DecodeJpeg(const Bytes& data)
{
    Decoded out;
    jpeg_decompress_struct cinfo{};
    JumpingErrors errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JumpingErrors*>(c->err)->back, 1); };
    out.ok = DecodeInto(data, out, cinfo, errors);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

// Mean absolute difference per channel between a decoded colour JPEG and the
// image it came from.
double MeanError(const Decoded& decoded, const img::Bitmap& original)
{
    double sum = 0;
    for (int y = 0; y < decoded.height; ++y)
        for (int x = 0; x < decoded.width; ++x) {
            const unsigned char* p = &decoded.pixels[(static_cast<size_t>(y) * decoded.width + x) * 3];
            const img::Rgb c = original.GetPixel(x, y);
            sum += std::abs(p[0] - c.r) + std::abs(p[1] - c.g) + std::abs(p[2] - c.b);
        }
    return sum / (3.0 * decoded.width * decoded.height);
}

// ---- The plug-in object in process ----------------------------------------------------------------

std::string ErrorText()
{
    return fw::TakeErrorInfoDescription();
}

class StowickObject : public testing::Test {
protected:
    void SetUp() override
    {
        fw::OleCheck(stowick::TStowickObject::CreateInstance(IID_IStowickObject, object_.PutVoid()));
        plugin_ = object_.As<IPixwellPlugin>();
        ASSERT_TRUE(plugin_);
    }

    void Configure(const std::string& fileName, int fileType)
    {
        HRESULT result = E_FAIL;
        ASSERT_EQ(object_->SetFileName(fw::BStr(fileName).Get(), &result), S_OK);
        ASSERT_EQ(result, S_OK);
        ASSERT_EQ(object_->SetFileType(static_cast<TFileType>(fileType)), S_OK);
    }

    // SetFileType as an automation client calls it, with any number.
    HRESULT SetFileTypeByDispatch(LONG type)
    {
        VARIANT arg;
        VariantInit(&arg);
        arg.vt = VT_I4;
        arg.lVal = type;
        DISPPARAMS params{&arg, nullptr, 1, 0};
        return object_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                               nullptr);
    }

    // Execute on a stream of `data`: the status, and the error text on failure.
    HRESULT Execute(IUnknown* stream, std::string* error = nullptr)
    {
        HRESULT result = E_FAIL;
        const HRESULT hr = plugin_->Execute(stream, 0, &result);
        if (SUCCEEDED(hr))
            EXPECT_EQ(result, S_OK);
        else if (error)
            *error = ErrorText();
        return hr;
    }
    HRESULT ExecuteImage(const img::Bitmap& bitmap, std::string* error = nullptr)
    {
        const fw::ComPtr<IStream> stream = pixwell::MakeImageStream(bitmap);
        return Execute(stream.Get(), error);
    }

    fw::ComInit com_;
    fw::ComPtr<IStowickObject> object_;
    fw::ComPtr<IPixwellPlugin> plugin_;
    TempFolder folder_;
};

TEST_F(StowickObject, ReportsItsPluginInfoOnAFreshObject)
{
    fw::BStr name, description, options, topic;
    HRESULT result = E_FAIL;
    ASSERT_EQ(plugin_->GetPluginInfo(name.Put(), description.Put(), options.Put(), topic.Put(), &result), S_OK);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(name.ToString(), "SaveToFile plugin");
    EXPECT_EQ(description.ToString(), "This plugin save image to your specified file");
    EXPECT_EQ(options.ToString(), "{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}");
    EXPECT_EQ(topic.ToString(), "plugin_filesave.html");
}

TEST_F(StowickObject, WritesEveryDepthAsBmpWithItsPixelsAndColourTable)
{
    const uint16_t expectedBits[] = {1, 4, 8, 16, 16, 24, 32};
    int i = 0;
    for (const img::PixelFormat format : kAllFormats) {
        SCOPED_TRACE(img::BitsPerPixel(format));
        const img::Bitmap image = BlockImage(format, 37, 21); // odd sizes: padded rows
        const std::string file = folder_ / ("image" + std::to_string(i) + ".bmp");
        Configure(file, ftBMP);
        ASSERT_EQ(ExecuteImage(image), S_OK);
        const Bytes written = ReadFileBytes(file);
        ASSERT_GT(written.size(), 54u);
        uint16_t bits = 0;
        std::memcpy(&bits, &written[28], 2);
        EXPECT_EQ(bits, expectedBits[i]);
        EXPECT_EQ(img::ReadBmp(written.data(), written.size()), image);
        ++i;
    }
}

TEST_F(StowickObject, WritesEveryDepthAsJfifThatDecodesToTheImage)
{
    int i = 0;
    for (const img::PixelFormat format : kAllFormats) {
        SCOPED_TRACE(img::BitsPerPixel(format));
        const img::Bitmap image = BlockImage(format);
        // The object never changes the extension it was given.
        const std::string file = folder_ / ("image" + std::to_string(i++) + ".bmp");
        Configure(file, ftJPG);
        ASSERT_EQ(ExecuteImage(image), S_OK);
        const Bytes written = ReadFileBytes(file);
        ASSERT_GT(written.size(), 20u);
        EXPECT_EQ(written[0], 0xFF);
        EXPECT_EQ(written[1], 0xD8);
        EXPECT_EQ(std::string(written.begin() + 6, written.begin() + 11), std::string("JFIF\0", 5));
        const Decoded decoded = DecodeJpeg(written);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.width, image.Width());
        EXPECT_EQ(decoded.height, image.Height());
        EXPECT_EQ(decoded.components, 3);
        EXPECT_LT(MeanError(decoded, image), 8.0); // a swapped channel costs far more
    }
}

TEST_F(StowickObject, AppliesTheJpegOptionsItKeeps)
{
    const img::Bitmap image = [] {
        // Fine detail, where quality shows in the size.
        img::Bitmap b(200, 120, img::PixelFormat::pf24bit);
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                b.SetPixel(x, y, {static_cast<uint8_t>(x * 7 ^ y * 3), static_cast<uint8_t>(x * y),
                                  static_cast<uint8_t>((x + y) * 5)});
        return b;
    }();
    int n = 0;
    auto write = [&](signed char grayscale, signed char smoothing, long compression, bool setOptions = true) {
        const std::string file = folder_ / ("q" + std::to_string(n++) + ".jpg");
        Configure(file, ftJPG);
        if (setOptions) {
            EXPECT_EQ(object_->SetJPEGOptions(grayscale, smoothing, compression), S_OK);
        }
        EXPECT_EQ(ExecuteImage(image), S_OK);
        return ReadFileBytes(file);
    };

    const Bytes neverSet = write(0, 0, 0, false);
    const Bytes q10 = write(0, 0, 10), q50 = write(0, 0, 50), q90 = write(0, 0, 90), q100 = write(0, 0, 100);
    EXPECT_LT(q10.size(), q50.size());
    EXPECT_LT(q50.size(), q90.size());
    EXPECT_LT(q90.size(), q100.size());
    // Options never sent mean the default, 90. A 0 sent is the slider's left
    // end: libjpeg's lowest quality, 1, never the default. Values beyond the
    // range are clamped.
    EXPECT_EQ(neverSet, q90);
    const Bytes q1 = write(0, 0, 1);
    EXPECT_LT(q1.size(), q10.size());
    EXPECT_EQ(write(0, 0, 0), q1);
    EXPECT_EQ(write(0, 0, 250), q100);
    EXPECT_EQ(write(0, 0, -7), q1);

    const Decoded grey = DecodeJpeg(write(1, 0, 90));
    ASSERT_TRUE(grey.ok);
    EXPECT_EQ(grey.components, 1);
    EXPECT_EQ(grey.width, 200);

    const Bytes smoothed = write(0, 1, 90);
    EXPECT_TRUE(DecodeJpeg(smoothed).ok);
    EXPECT_NE(smoothed, q90);
}

TEST_F(StowickObject, RefusesWhatIsNotABmpStreamAndCreatesNoFile)
{
    const std::string file = folder_ / "never.bmp";
    for (const int type : {ftBMP, ftJPG}) {
        Configure(file, type);
        std::string error;
        EXPECT_TRUE(FAILED(Execute(StreamOf(Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0}).Get(), &error)));
        EXPECT_THAT(error, HasSubstr("Invalid bitmap"));

        Bytes truncated = img::EncodeBmp(BlockImage(img::PixelFormat::pf24bit));
        truncated.resize(truncated.size() / 2);
        EXPECT_TRUE(FAILED(Execute(StreamOf(truncated).Get(), &error)));
        EXPECT_THAT(error, HasSubstr("Invalid bitmap"));

        EXPECT_TRUE(FAILED(Execute(StreamOf(Bytes{}).Get(), &error)));
        EXPECT_FALSE(error.empty());

        // An object that is no stream at all.
        fw::ComPtr<IUnknown> notAStream;
        fw::OleCheck(stowick::TStowickObject::CreateInstance(IID_IUnknown, notAStream.PutVoid()));
        EXPECT_EQ(Execute(notAStream.Get(), &error), E_NOINTERFACE);
        EXPECT_EQ(error, stowick::kNoImageStreamError);
        EXPECT_TRUE(FAILED(Execute(nullptr)));
    }
    EXPECT_THAT(folder_.Files(), IsEmpty());
}

// An automation client can send any number as the file type; only ftBMP and
// ftJPG write, and the number is kept whole (257 is not ftJPG).
TEST_F(StowickObject, WritesNothingForAnUnknownFileType)
{
    const img::Bitmap image = BlockImage(img::PixelFormat::pf24bit);
    for (const LONG type : {2L, 257L, -1L, 0x7FFFFFFFL}) {
        SCOPED_TRACE(type);
        Configure(folder_ / "other.bmp", ftJPG);
        ASSERT_EQ(SetFileTypeByDispatch(type), S_OK);
        EXPECT_EQ(ExecuteImage(image), S_OK);
    }
    EXPECT_THAT(folder_.Files(), IsEmpty());

    // The same way in, a known type writes.
    ASSERT_EQ(SetFileTypeByDispatch(ftJPG), S_OK);
    EXPECT_EQ(ExecuteImage(image), S_OK);
    const Bytes written = ReadFileBytes(folder_ / "other.bmp");
    ASSERT_GT(written.size(), 2u);
    EXPECT_EQ(written[0], 0xFF); // a JPEG file, as the type says
    EXPECT_EQ(written[1], 0xD8);
}

TEST_F(StowickObject, ReplacesAnExistingFileAndLeavesNoTemporaryFile)
{
    const std::string file = folder_ / "shot.bmp";
    WriteFileBytes(file, std::string(100000, 'x'));
    const img::Bitmap image = BlockImage(img::PixelFormat::pf4bit, 8, 8);
    Configure(file, ftBMP);
    ASSERT_EQ(ExecuteImage(image), S_OK);
    EXPECT_EQ(ReadFileBytes(file), img::EncodeBmp(image));
    EXPECT_THAT(folder_.Files(), ElementsAre("shot.bmp"));
}

TEST_F(StowickObject, AFailedWriteNamesTheFileAndKeepsTheEarlierOne)
{
    // A folder that does not exist.
    const std::string missing = folder_ / "no such folder\\shot.bmp";
    Configure(missing, ftBMP);
    std::string error;
    EXPECT_TRUE(FAILED(ExecuteImage(BlockImage(img::PixelFormat::pf24bit), &error)));
    EXPECT_THAT(error, HasSubstr("Cannot create file \"" + missing + "\""));

    Configure("", ftBMP);
    EXPECT_TRUE(FAILED(ExecuteImage(BlockImage(img::PixelFormat::pf24bit), &error)));
    EXPECT_THAT(error, HasSubstr("Cannot create file \"\""));

    // An image JPEG cannot hold fails after the file was begun: the user's
    // earlier file of that name stays as it was, and nothing else is left.
    const std::string file = folder_ / "earlier.jpg";
    WriteFileBytes(file, "the user's earlier file");
    Configure(file, ftJPG);
    EXPECT_TRUE(FAILED(ExecuteImage(img::Bitmap(70000, 1, img::PixelFormat::pf24bit), &error)));
    EXPECT_THAT(error, HasSubstr("Unable to write JPEG image: "));
    EXPECT_THAT(error, HasSubstr("65500"));
    const Bytes kept = ReadFileBytes(file);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "the user's earlier file");

    // A folder in the place of the file.
    CreateDirectoryA((folder_ / "taken.bmp").c_str(), nullptr);
    Configure(folder_ / "taken.bmp", ftBMP);
    EXPECT_TRUE(FAILED(ExecuteImage(BlockImage(img::PixelFormat::pf24bit), &error)));
    EXPECT_THAT(error, HasSubstr("Cannot create file \"" + (folder_ / "taken.bmp") + "\""));
    RemoveDirectoryA((folder_ / "taken.bmp").c_str());
    EXPECT_THAT(folder_.Files(), ElementsAre("earlier.jpg"));
}

// Collects what is written, or gives up after `capacity` bytes as a full disk would.
struct MemorySink final : img::ByteSink {
    explicit MemorySink(size_t limit = SIZE_MAX) : capacity(limit) {}
    void Write(const void* p, size_t n) override
    {
        if (data.size() + n > capacity)
            throw std::runtime_error("disk full");
        data.insert(data.end(), static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
    }
    size_t capacity;
    Bytes data;
};

TEST(JpegWriter, PassesTheSinksFailureOnAndReadsWideRowsAsTheyAre)
{
    const img::Bitmap image = BlockImage(img::PixelFormat::pf24bit, 640, 480);
    MemorySink full(1000);
    try {
        stowick::WriteJpeg(image, {}, full);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "disk full");
    }
    // 32-bit rows go to libjpeg as they are and give the same file.
    MemorySink from24, from32;
    stowick::WriteJpeg(image, {}, from24);
    stowick::WriteJpeg(img::ConvertTo(image, img::PixelFormat::pf32bit), {}, from32);
    EXPECT_EQ(from24.data, from32.data);
}

// ---- Writing from the received file without decoding it --------------------------------------------

void WriteFromStream(const Bytes& data, const std::string& file, TFileType type)
{
    const fw::ComPtr<IStream> stream = StreamOf(data);
    const pixwell::ImageStreamBytes bytes = pixwell::ReadImageStreamBytes(stream.Get());
    stowick::WriteImageFile(bytes, fw::AnsiToWide(file), type, {});
}

bool WrittenForm(const Bytes& data)
{
    return stowick::IsWrittenBmpForm(data.data(), data.size(), img::ReadBmpInfo(data.data(), data.size()));
}

// A bottom-up BMP file turned top-down: the same image in another form.
Bytes TopDown(const Bytes& file, const img::Bitmap& image)
{
    Bytes flipped = file;
    const int32_t height = -image.Height();
    std::memcpy(&flipped[22], &height, 4);
    uint32_t offset = 0;
    std::memcpy(&offset, &file[10], 4);
    const size_t stride = (file.size() - offset) / image.Height();
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(&flipped[offset + y * stride], &file[offset + (image.Height() - 1 - y) * stride], stride);
    return flipped;
}

TEST_F(StowickObject, CopiesItsOwnBmpFormAsItIsAndRewritesAnyOther)
{
    int i = 0;
    for (const img::PixelFormat format : kAllFormats) {
        SCOPED_TRACE(img::BitsPerPixel(format));
        const img::Bitmap image = BlockImage(format, 37, 21); // odd sizes: padded rows
        const std::string decoded = folder_ / ("decoded" + std::to_string(i) + ".bmp");
        const std::string copied = folder_ / ("copied" + std::to_string(i++) + ".bmp");
        stowick::WriteImageFile(image, fw::AnsiToWide(decoded), ftBMP, {});
        const Bytes file = img::EncodeBmp(image);
        EXPECT_TRUE(WrittenForm(file));
        WriteFromStream(file, copied, ftBMP);
        EXPECT_EQ(ReadFileBytes(copied), ReadFileBytes(decoded));
    }

    // Files holding the same image in other forms come out as the writer's.
    const img::Bitmap image = BlockImage(img::PixelFormat::pf8bit, 37, 21);
    const Bytes file = img::EncodeBmp(image);
    const Bytes expected = file;
    std::vector<Bytes> variants(5, file);
    variants[0][file.size() - 1] = 0x55;  // dirt in a row's padding
    variants[1][54 + 4 * 7 + 3] = 0x80;   // a colour table entry's reserved byte
    variants[2][6] = 1;                   // bfReserved1
    variants[3][38] ^= 1;                 // another resolution
    variants[4] = TopDown(file, image);
    i = 0;
    for (const Bytes& variant : variants) {
        SCOPED_TRACE(i);
        ASSERT_EQ(img::ReadBmp(variant.data(), variant.size()), image);
        EXPECT_FALSE(WrittenForm(variant));
        const std::string name = folder_ / ("variant" + std::to_string(i++) + ".bmp");
        WriteFromStream(variant, name, ftBMP);
        EXPECT_EQ(ReadFileBytes(name), expected);
    }

    // Pixels cut short are never copied: the file is refused, none is made.
    const Bytes truncated(file.begin(), file.end() - 5);
    EXPECT_FALSE(stowick::IsWrittenBmpForm(truncated.data(), truncated.size(),
                                           img::ReadBmpInfo(truncated.data(), truncated.size())));
    Configure(folder_ / "cut.bmp", ftBMP);
    std::string error;
    EXPECT_TRUE(FAILED(Execute(StreamOf(truncated).Get(), &error)));
    EXPECT_THAT(error, HasSubstr("truncated"));
    EXPECT_TRUE(ReadFileBytes(folder_ / "cut.bmp").empty());
}

TEST_F(StowickObject, CompressesTheReceivedRowsAsTheBitmapWouldBe)
{
    int i = 0;
    for (const img::PixelFormat format : {img::PixelFormat::pf24bit, img::PixelFormat::pf32bit}) {
        SCOPED_TRACE(img::BitsPerPixel(format));
        const img::Bitmap image = BlockImage(format, 61, 37);
        MemorySink expected;
        stowick::WriteJpeg(image, {}, expected);
        const Bytes file = img::EncodeBmp(image);
        for (const Bytes& form : {file, TopDown(file, image)}) {
            const std::string name = folder_ / ("rows" + std::to_string(i++) + ".jpg");
            WriteFromStream(form, name, ftJPG);
            EXPECT_EQ(ReadFileBytes(name), expected.data);
        }
        const Bytes truncated(file.begin(), file.end() - 1);
        EXPECT_THROW(WriteFromStream(truncated, folder_ / "cut.jpg", ftJPG), img::BmpError);
        EXPECT_TRUE(ReadFileBytes(folder_ / "cut.jpg").empty());
    }
}

// ---- Type library of stowick.dll ---------------------------------------------------------------------

// What a type description holds, one line per item: "doc: <help string>",
// "flags: <type flags>", "impl <name> <flags>", "<function>(<id>) <vt>,..."
// (a pointer's vt plus 1000), "<constant>=<value>".
std::vector<std::string> Describe(ITypeInfo* info)
{
    std::vector<std::string> lines;
    fw::BStr doc;
    info->GetDocumentation(MEMBERID_NIL, nullptr, doc.Put(), nullptr, nullptr);
    lines.push_back("doc: " + doc.ToString());
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    const TYPEATTR a = *attr;
    info->ReleaseTypeAttr(attr);
    lines.push_back("flags: " + std::to_string(a.wTypeFlags));
    auto nameOf = [&](ITypeInfo* of, MEMBERID id) {
        fw::BStr name;
        UINT got = 0;
        of->GetNames(id, name.Put(), 1, &got);
        return name.ToString();
    };
    for (UINT i = 0; i < a.cImplTypes; ++i) {
        HREFTYPE ref = 0;
        INT flags = 0;
        fw::ComPtr<ITypeInfo> itf;
        info->GetRefTypeOfImplType(i, &ref);
        info->GetImplTypeFlags(i, &flags);
        info->GetRefTypeInfo(ref, itf.Put());
        fw::BStr name;
        itf->GetDocumentation(MEMBERID_NIL, name.Put(), nullptr, nullptr, nullptr);
        lines.push_back("impl " + name.ToString() + " " + std::to_string(flags));
    }
    for (UINT i = 0; i < a.cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        info->GetFuncDesc(i, &f);
        std::string line = nameOf(info, f->memid) + "(" + std::to_string(f->memid) + ")";
        for (SHORT p = 0; p < f->cParams; ++p) {
            const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
            line += (p ? "," : " ") + std::to_string(t.vt == VT_PTR ? 1000 + t.lptdesc->vt : t.vt);
        }
        info->ReleaseFuncDesc(f);
        lines.push_back(line);
    }
    for (UINT i = 0; i < a.cVars; ++i) {
        VARDESC* v = nullptr;
        info->GetVarDesc(i, &v);
        lines.push_back(nameOf(info, v->memid) + "=" + std::to_string(v->lpvarValue->lVal));
        info->ReleaseVarDesc(v);
    }
    return lines;
}

TEST(TypeLibrary, HoldsTheLibrarysIdentifiersAndDescriptions)
{
    fw::ComInit com;
    fw::ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(L"stowick.dll", REGKIND_NONE, lib.Put()), S_OK);
    TLIBATTR* attr = nullptr;
    lib->GetLibAttr(&attr);
    EXPECT_EQ(fw::GUIDToString(attr->guid), "{DFF0AD30-FDCC-41EF-B9FB-2C36B4EC2E91}");
    EXPECT_EQ(attr->wMajorVerNum * 10 + attr->wMinorVerNum, 10);
    lib->ReleaseTLibAttr(attr);
    fw::BStr name, help;
    lib->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr);
    EXPECT_EQ(name.ToString() + ", " + help.ToString(), "stowick, stowick Library");

    auto describe = [&](const char* guid) {
        fw::ComPtr<ITypeInfo> info;
        EXPECT_EQ(lib->GetTypeInfoOfGuid(fw::StringToGUID(guid), info.Put()), S_OK) << guid;
        return info ? Describe(info.Get()) : std::vector<std::string>{};
    };
    const std::string dual = std::to_string(TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
    const std::string byRefShort = std::to_string(1000 + VT_I2);
    const std::string userDefined = std::to_string(VT_USERDEFINED);
    // The dispinterface halves of the dual interfaces.
    const auto object = describe("{46A388AA-A538-4AA1-A9AE-A237C563C1B3}");
    EXPECT_THAT(std::vector<std::string>(object.begin(), object.begin() + 2),
                ElementsAre("doc: Dispatch interface for StowickObject Object", "flags: " + dual));
    EXPECT_THAT(object, testing::Contains("SetJPEGOptions(3) 16,16,3"));
    EXPECT_THAT(object, testing::Contains("SetFileType(2) " + userDefined));
    EXPECT_THAT(object, testing::Contains("SetFileName(1) 8"));
    EXPECT_THAT(describe("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}"),
                ElementsAre("doc: StowickObject Object", "flags: 2", "impl IStowickObject 1", "impl IPixwellPlugin 0"));
    EXPECT_THAT(describe("{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}"),
                ElementsAre("doc: StowickOptions Control", "flags: 34", "impl IStowickOptions 1",
                            "impl IStowickOptionsEvents 3"));
    const auto options = describe("{00CACDA1-4D0A-4A26-8F56-78F8CC2A728E}");
    EXPECT_EQ(options.at(0), "doc: Dispatch interface for StowickOptions Control");
    EXPECT_EQ(options.size(), 3u + 7u + 35u); // doc, flags, base; IDispatch's methods; 35 accessors
    EXPECT_THAT(describe("{AF4FF14B-7078-402E-9736-C91FDFDFD2CD}"),
                ElementsAre("doc: Events interface for StowickOptions Control", "flags: 4096", "impl IDispatch 0",
                            "OnActivate(1)",
                            "OnClick(2)", "OnCreate(3)", "OnDblClick(5)", "OnDestroy(6)", "OnDeactivate(7)",
                            "OnKeyPress(11) " + byRefShort, "OnPaint(16)"));
    EXPECT_THAT(describe("{6D3D700B-1E7A-40ED-BC72-1DCC5E950854}"),
                ElementsAre("doc: ", "flags: 0", "ftBMP=0", "ftJPG=1"));
    EXPECT_THAT(describe("{138E0C79-397F-4461-8041-E32AB47B2BBC}"),
                ElementsAre("doc: ", "flags: 0", "afbNone=0", "afbSingle=1", "afbSunken=2", "afbRaised=3"));
    EXPECT_THAT(describe("{CF5E3BA0-8D5B-413B-A0F9-3429673899B5}"),
                ElementsAre("doc: ", "flags: 0", "poNone=0", "poProportional=1", "poPrintToFit=2"));
    EXPECT_THAT(describe("{8C3B2B58-9D64-46F3-AE4A-ECA894CCB160}"),
                ElementsAre("doc: ", "flags: 0", "mbLeft=0", "mbRight=1", "mbMiddle=2"));
}

// ---- The JPEG settings dialog ------------------------------------------------------------------

// Runs `action` from the message loop of whatever modal window is up, once
// `ready` says so (it is asked every 50 ms, for at most ten seconds).
void RunWhen(std::function<bool()> ready, std::function<void()> action)
{
    static std::function<bool()> pendingReady;
    static std::function<void()> pendingAction;
    static int triesLeft = 0;
    pendingReady = std::move(ready);
    pendingAction = std::move(action);
    triesLeft = 200;
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (!pendingReady() && --triesLeft > 0)
            return;
        KillTimer(nullptr, id);
        auto run = std::move(pendingAction);
        run();
    });
}

void RunSoon(std::function<void()> action)
{
    RunWhen([] { return true; }, std::move(action));
}

// Handles messages until `done` says so, for at most five seconds.
void PumpUntil(const std::function<bool()>& done)
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < 5000) {
        fw::App().ProcessMessages();
        Sleep(5);
    }
}

// The visible top-level window of this thread with this caption, or of this
// class when the caption is null.
HWND FindThreadWindow(const char* caption, const char* className = "#32770")
{
    struct Search {
        const char* caption;
        const char* className;
        HWND found = nullptr;
    } search{caption, className};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            char text[256] = {};
            if (s->caption)
                GetWindowTextA(hwnd, text, sizeof text);
            else
                GetClassNameA(hwnd, text, sizeof text);
            if (IsWindowVisible(hwnd) && std::strcmp(text, s->caption ? s->caption : s->className) == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void TypeInto(fw::Window& edit, const std::string& keys)
{
    for (const char c : keys)
        SendMessageA(edit.Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
}

// The tab stops of a window's children in tab order.
std::vector<HWND> TabStops(HWND parent)
{
    std::vector<HWND> result;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP)
            result.push_back(h);
    return result;
}

TEST(JPEGSettings, HasItsControlsWhereTheyBelong)
{
    const auto dialog = fw::CreateForm<TJPEGSettings>();
    EXPECT_EQ(dialog->Caption(), "JPEG Image Settings");
    EXPECT_EQ(dialog->ClientWidth(), 304);
    EXPECT_EQ(dialog->ClientHeight(), 132);
    EXPECT_EQ(dialog->GetBorderStyle(), fw::BorderStyle::bsDialog);
    EXPECT_EQ(dialog->GrayScaleCheck->GetBounds(), (fw::Bounds{6, 7, 97, 17}));
    EXPECT_EQ(dialog->SmoothingCheckBox->GetBounds(), (fw::Bounds{6, 26, 97, 17}));
    EXPECT_EQ(dialog->CompressionEdit->GetBounds(), (fw::Bounds{107, 48, 40, 21}));
    EXPECT_EQ(dialog->Compression->GetBounds(), (fw::Bounds{2, 66, 300, 29}));
    EXPECT_EQ(dialog->Button1->GetBounds(), (fw::Bounds{146, 99, 75, 25}));
    EXPECT_EQ(dialog->Button2->GetBounds(), (fw::Bounds{224, 99, 75, 25}));
    EXPECT_EQ(dialog->Label1->Left(), 6);
    EXPECT_EQ(dialog->Label2->Left(), 149);
    EXPECT_EQ(dialog->GrayScaleCheck->Text(), "Grayscale");
    EXPECT_EQ(dialog->SmoothingCheckBox->Text(), "Smoothing");
    EXPECT_EQ(dialog->Label1->Caption(), "Compression Quality:");
    EXPECT_EQ(dialog->Label2->Caption(), "%");
    EXPECT_EQ(dialog->Button1->Caption(), "OK");
    EXPECT_EQ(dialog->Button2->Caption(), "Cancel");
    EXPECT_TRUE(dialog->Button1->Default());
    EXPECT_TRUE(dialog->Button2->Cancel());
    EXPECT_FALSE(dialog->GrayScaleCheck->Checked());
    EXPECT_FALSE(dialog->SmoothingCheckBox->Checked());
    EXPECT_EQ(dialog->Compression->Min(), 0);
    EXPECT_EQ(dialog->Compression->Max(), 100);
    EXPECT_EQ(dialog->Compression->Position(), 0);
    EXPECT_EQ(dialog->CompressionEdit->Text(), "___");
    EXPECT_THAT(TabStops(dialog->Handle()),
                ElementsAre(dialog->Button2->Handle(), dialog->Button1->Handle(), dialog->GrayScaleCheck->Handle(),
                            dialog->SmoothingCheckBox->Handle(), dialog->Compression->Handle(),
                            dialog->CompressionEdit->Handle()));
}

TEST(JPEGSettings, KeepsEditAndTrackBarInStep)
{
    const auto dialog = fw::CreateForm<TJPEGSettings>();
    int trackChanges = 0, editChanges = 0;
    dialog->Compression->OnChange = [&] {
        ++trackChanges;
        dialog->CompressionChange();
    };
    dialog->CompressionEdit->OnChange = [&] {
        ++editChanges;
        dialog->CompressionEditChange();
    };

    // Setting the position it has changes nothing: the edit stays blank.
    dialog->Compression->SetPosition(0);
    EXPECT_EQ(dialog->CompressionEdit->Text(), "___");
    EXPECT_EQ(trackChanges, 0);

    // One round: track bar, edit, and back to the same position, no more.
    dialog->Compression->SetPosition(75);
    EXPECT_EQ(dialog->CompressionEdit->Text(), "_75");
    EXPECT_EQ(trackChanges, 1);
    EXPECT_EQ(editChanges, 1);
    dialog->Compression->SetPosition(250); // clamped
    EXPECT_EQ(dialog->Compression->Position(), 100);
    EXPECT_EQ(dialog->CompressionEdit->Text(), "100");

    // Typing over the whole field: 1, 15, then 150 is too much.
    SendMessageA(dialog->CompressionEdit->Handle(), EM_SETSEL, 0, -1);
    TypeInto(*dialog->CompressionEdit, "1");
    EXPECT_EQ(dialog->CompressionEdit->Text(), "1__");
    EXPECT_EQ(dialog->Compression->Position(), 1);
    TypeInto(*dialog->CompressionEdit, "5");
    EXPECT_EQ(dialog->Compression->Position(), 15);
    TypeInto(*dialog->CompressionEdit, "0");
    EXPECT_EQ(dialog->CompressionEdit->Text(), "150");
    EXPECT_EQ(dialog->Compression->Position(), 15);
    // No room and no letters.
    TypeInto(*dialog->CompressionEdit, "7a");
    EXPECT_EQ(dialog->CompressionEdit->Text(), "150");

    // Deleting every digit leaves the track bar where it is.
    SendMessageA(dialog->CompressionEdit->Handle(), EM_SETSEL, 0, -1);
    TypeInto(*dialog->CompressionEdit, "\b");
    EXPECT_EQ(dialog->CompressionEdit->Text(), "___");
    EXPECT_EQ(dialog->Compression->Position(), 15);

    // The user moves the thumb to the right end.
    SendMessageA(dialog->Compression->Handle(), WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(dialog->Compression->Position(), 100);
    EXPECT_EQ(dialog->CompressionEdit->Text(), "100");
}

TEST(JPEGSettings, ClosesWithOkOrCancel)
{
    for (const int button : {fw::mrOk, fw::mrCancel}) {
        const auto dialog = fw::CreateForm<TJPEGSettings>();
        RunSoon([&] {
            dialog->GrayScaleCheck->SetChecked(true);
            (button == fw::mrOk ? dialog->Button1 : dialog->Button2)->Click();
        });
        EXPECT_EQ(dialog->ShowModal(), button);
        EXPECT_TRUE(dialog->GrayScaleCheck->Checked());
    }
    // Escape cancels.
    const auto dialog = fw::CreateForm<TJPEGSettings>();
    RunSoon([&] {
        dialog->GrayScaleCheck->SetFocus();
        PostMessageA(dialog->GrayScaleCheck->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(dialog->ShowModal(), fw::mrCancel);
}

// ---- The options page in process ---------------------------------------------------------

// Records what the page tells its plug-in object.
class RecordingPlugin final : public fw::AutoObject<RecordingPlugin, IStowickObject, IPixwellPlugin> {
public:
    static const CLSID& ClassId() { return CLSID_StowickObject; }
    HRESULT STDMETHODCALLTYPE SetFileName(BSTR name, HRESULT* result) override
    {
        return Log("SetFileName " + fw::WideToAnsi(name ? name : L""), result);
    }
    HRESULT STDMETHODCALLTYPE SetFileType(TFileType type) override { return Log("SetFileType " + std::to_string(type)); }
    HRESULT STDMETHODCALLTYPE SetJPEGOptions(signed char g, signed char s, LONG c) override
    {
        return Log("SetJPEGOptions " + std::to_string(g) + " " + std::to_string(s) + " " + std::to_string(c));
    }
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR*, BSTR*, BSTR*, BSTR*, HRESULT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Execute(IUnknown*, LONG, HRESULT*) override { return E_NOTIMPL; }

    std::vector<std::string> calls;

private:
    HRESULT Log(const std::string& call, HRESULT* result = nullptr)
    {
        calls.push_back(call);
        if (result)
            *result = S_OK;
        return S_OK;
    }
};

std::vector<std::string> RecentValues()
{
    std::vector<std::string> result;
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, stowick::kRecentKey);
    std::vector<fw::RegValue> values;
    if (key)
        key.EnumValues(values);
    for (const fw::RegValue& v : values)
        result.push_back(v.name + "=" + v.Text());
    return result;
}

DWORD Setting(const char* name)
{
    return fw::RegKey::TryOpen(HKEY_CURRENT_USER, stowick::kPluginKey).ReadDword(name, 0xDEAD);
}

class OptionsPage : public testing::Test {
protected:
    void SetUp() override
    {
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, stowick::kPluginKey, true);
        previous_ = fw::App().SetExceptionHandler([this](const std::string& text) { shown.push_back(text); });
    }
    void TearDown() override
    {
        page_.Reset();
        fw::App().SetExceptionHandler(std::move(previous_));
        fw::RegKey::DeleteKey(HKEY_CURRENT_USER, stowick::kPluginKey, true);
    }

    static void CreatePluginKey() { ASSERT_TRUE(fw::RegKey::TryCreate(HKEY_CURRENT_USER, stowick::kPluginKey)); }
    static void SetRecent(const std::vector<std::pair<std::string, std::string>>& values)
    {
        const fw::RegKey key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, stowick::kRecentKey);
        for (const auto& [name, data] : values)
            key.WriteString(name.c_str(), data);
    }

    // Creates the page as the host does, then lets its settings load.
    stowick::TStowickOptions& Page(bool waitForSettings = true)
    {
        fw::OleCheck(stowick::TStowickOptions::CreateInstance(IID_IPixwellPluginOptions, page_.PutVoid()));
        auto* page = dynamic_cast<stowick::TStowickOptions*>(static_cast<IPixwellPluginOptions*>(page_.Get()));
        if (waitForSettings)
            WaitForSettings(*page);
        return *page;
    }
    // The one-shot timer switches itself off when it has loaded the settings.
    static void WaitForSettings(stowick::TStowickOptions& page)
    {
        PumpUntil([&] { return !page.Timer1->Enabled(); });
    }
    std::vector<std::string> Captions(stowick::TStowickOptions& page)
    {
        std::vector<std::string> result;
        for (int i = 0; i < page.RecentFolders->Count(); ++i)
            result.push_back(page.RecentFolders->Caption(i));
        return result;
    }
    HRESULT Save(std::string* error = nullptr)
    {
        HRESULT result = E_FAIL;
        const HRESULT hr = page_->SaveSettings(&result);
        if (SUCCEEDED(hr))
            EXPECT_EQ(result, S_OK);
        else if (error)
            *error = ErrorText();
        return hr;
    }

    fw::ComInit com_{fw::ComInit::Kind::Ole};
    fw::ComPtr<IPixwellPluginOptions> page_;
    const fw::ComPtr<RecordingPlugin> plugin_ = fw::ComPtr<RecordingPlugin>::Adopt(new RecordingPlugin);
    std::vector<std::string> shown;
    fw::Application::ExceptionHandler previous_;
    TempFolder folder_;
};

// Run at 150 % (the second run of these tests), the page comes up laid out
// for the display: half as big again as at 96 DPI, its texts fitting.
TEST_F(OptionsPage, ComesUpScaledForTheDisplay)
{
    const int dpi = fw::WindowDpi(GetDesktopWindow());
    if (dpi == fw::kDesignDpi)
        GTEST_SKIP() << "the display is at 96 DPI";
    stowick::TStowickOptions& page = Page();
    // Made for 542 x 303 at 96 DPI, scaled once.
    EXPECT_EQ(page.ClientWidth(), fw::ScaleToDpi(542, dpi));
    EXPECT_EQ(page.ClientHeight(), fw::ScaleToDpi(303, dpi));
    scaling_checks::ExpectPageScaled(page, dpi);
}

TEST_F(OptionsPage, ComesUpWithItsControlsAndFirstUseDefaults)
{
    CreatePluginKey();
    SYSTEMTIME before{};
    GetLocalTime(&before);
    auto& page = Page(false);
    // The settings load a moment after creation.
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), -1);
    WaitForSettings(page);
    EXPECT_THAT(shown, IsEmpty());

    EXPECT_EQ(page.ClientWidth(), 542);
    EXPECT_EQ(page.ClientHeight(), 303);
    EXPECT_EQ(page.FileNameEdit->GetBounds(), (fw::Bounds{6, 67, 395, 21}));
    EXPECT_EQ(page.RecentFolders->GetBounds(), (fw::Bounds{6, 117, 521, 126}));
    EXPECT_EQ(page.SettingsButton->GetBounds(), (fw::Bounds{451, 90, 75, 25}));
    EXPECT_EQ(page.Button1->Caption(), "Browse...");
    EXPECT_EQ(page.Button2->Caption(), "Remove");
    EXPECT_EQ(page.Button3->Caption(), "Remove All");
    EXPECT_EQ(page.SettingsButton->Caption(), "Options...");
    EXPECT_EQ(page.FileTypeCombo->Item(0), "BMP");
    EXPECT_EQ(page.FileTypeCombo->Item(1), "JPG");
    EXPECT_THAT(TabStops(page.Handle()),
                ElementsAre(page.FileNameEdit->Handle(), page.RecentFolders->Handle(), page.Button1->Handle(),
                            page.Button2->Handle(), page.Button3->Handle(), page.FileTypeCombo->Handle(),
                            page.SettingsButton->Handle()));

    EXPECT_EQ(page.RecentFolders->Count(), 0);
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), 0);
    EXPECT_FALSE(page.SettingsButton->Enabled());
    EXPECT_FALSE(page.Grayscale);
    EXPECT_FALSE(page.Smoothing);
    EXPECT_EQ(page.Compression, 50);
    const std::string day = std::to_string(stowick::DayNumber(before.wYear, before.wMonth, before.wDay));
    EXPECT_TRUE(std::regex_match(page.FileNameEdit->Text(), std::regex("P" + day + "[0-9]+\\.bmp")))
        << page.FileNameEdit->Text();

    // Wider and taller: the anchored controls follow the edges.
    page.SetBounds({0, 0, 642, 403});
    EXPECT_EQ(page.FileNameEdit->Width(), 495);
    EXPECT_EQ(page.Label3->Left(), 512);
    EXPECT_EQ(page.SettingsButton->Left(), 551);
    EXPECT_EQ(page.RecentFolders->GetBounds(), (fw::Bounds{6, 117, 621, 226}));
    EXPECT_EQ(page.Button2->GetBounds(), (fw::Bounds{106, 346, 75, 25}));
    EXPECT_EQ(page.Button1->GetBounds(), (fw::Bounds{552, 346, 75, 25}));
    EXPECT_EQ(page.Panel3->Width(), 642);
}

TEST(FileNameRules, FollowThePlatformsPathRules)
{
    EXPECT_EQ(stowick::DayNumber(1, 1, 1), 1);
    EXPECT_EQ(stowick::DayNumber(1899, 12, 30), 693594);
    EXPECT_EQ(stowick::DayNumber(2000, 3, 1), 730180);
    EXPECT_EQ(stowick::DefaultFileName(2024, 2, 29, 0), "P7389450.bmp");
    EXPECT_EQ(stowick::ChangeExtension("C:\\my.dir\\shot", ".jpg"), "C:\\my.dir\\shot.jpg");
    EXPECT_EQ(stowick::ChangeExtension("C:\\dir\\shot.tar.bmp", ".jpg"), "C:\\dir\\shot.tar.jpg");
    EXPECT_EQ(stowick::ChangeExtension("d:x.bmp", ".jpg"), "d:x.jpg");
    EXPECT_EQ(stowick::FolderPart("C:\\a\\b.bmp"), "C:\\a\\");
    EXPECT_EQ(stowick::FolderPart("d:b.bmp"), "d:");
    EXPECT_EQ(stowick::FileNamePart("C:\\a\\b.bmp"), "b.bmp");
    EXPECT_EQ(stowick::TrimBlanks(" \t x y \r\n"), "x y");
}

TEST_F(OptionsPage, ReadsItsSettingsAndAppliesTheFileType)
{
    CreatePluginKey();
    {
        const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, stowick::kPluginKey);
        key.WriteDword("JPEGGrayscale", 0x100); // the lowest byte counts: off
        key.WriteDword("JPEGSmoothing", 0x201);
        key.WriteDword("JPEGCompression", 77);
        key.WriteDword("DefaultFileType", 1);
    }
    SetRecent({{"Directory_0", "C:\\windows\\"}, {"odd name", "C:\\no such folder\\"}});
    auto& page = Page();
    EXPECT_FALSE(page.Grayscale);
    EXPECT_TRUE(page.Smoothing);
    EXPECT_EQ(page.Compression, 77);
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), 1);
    EXPECT_TRUE(page.SettingsButton->Enabled());
    EXPECT_THAT(page.FileNameEdit->Text(), testing::EndsWith(".jpg"));
    EXPECT_THAT(Captions(page), ElementsAre("C:\\windows\\", "C:\\no such folder\\"));
    EXPECT_NE(page.RecentFolders->SmallImages(), nullptr);
    EXPECT_GE(page.RecentFolders->Icon(0), 0);

    // The user goes back to BMP and to JPG again.
    page.FileNameEdit->SetText("C:\\my.dir\\shot");
    page.FileTypeCombo->SetItemIndex(0);
    page.FileTypeComboChange();
    EXPECT_EQ(page.FileNameEdit->Text(), "C:\\my.dir\\shot.bmp");
    EXPECT_FALSE(page.SettingsButton->Enabled());
    page.FileTypeCombo->SetItemIndex(1);
    page.FileTypeComboChange();
    EXPECT_EQ(page.FileNameEdit->Text(), "C:\\my.dir\\shot.jpg");
    EXPECT_TRUE(page.SettingsButton->Enabled());
}

TEST_F(OptionsPage, ReportsAMissingPluginKeyAndStaysUsable)
{
    auto& page = Page();
    EXPECT_THAT(shown, ElementsAre("Error reading plugin settings"));
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), -1);
    EXPECT_FALSE(page.SettingsButton->Enabled());

    // Saving makes the key again on the way to the recent folders.
    ASSERT_EQ(page.SetPlugin(plugin_.Get()), S_OK);
    page.FileNameEdit->SetText("name.bmp");
    EXPECT_EQ(Save(), S_OK);
    EXPECT_THAT(plugin_->calls, ElementsAre("SetFileName name.bmp"));
    EXPECT_EQ(Setting("DefaultFileType"), 0xFFFFFFFFu);
    // Options never loaded are those of missing values, not a chosen 0.
    EXPECT_EQ(Setting("JPEGCompression"), 50u);
    plugin_->calls.clear();
    page.FileTypeCombo->SetItemIndex(1);
    page.FileTypeComboChange();
    EXPECT_EQ(Save(), S_OK);
    EXPECT_THAT(plugin_->calls, ElementsAre("SetFileName name.jpg", "SetFileType 1", "SetJPEGOptions 0 0 50"));
}

TEST_F(OptionsPage, SavesTheChoicesToTheObjectAndTheRegistry)
{
    CreatePluginKey();
    const std::string third = folder_.Path();
    std::string otherCase = third;
    CharUpperBuffA(otherCase.data(), static_cast<DWORD>(otherCase.size()));
    SetRecent({{"Directory_0", "C:\\windows\\"}, {"Directory_1", "C:\\no such folder\\"},
               {"Directory_2", otherCase}, {"Directory_3", "C:\\last\\"}});
    auto& page = Page();
    ASSERT_EQ(page.SetPlugin(plugin_.Get()), S_OK);

    // BMP: no JPEG options reach the object.
    page.FileNameEdit->SetText(third + "shot.bmp");
    ASSERT_EQ(Save(), S_OK);
    EXPECT_THAT(plugin_->calls, ElementsAre("SetFileName " + third + "shot.bmp", "SetFileType 0"));
    EXPECT_THAT(RecentValues(), ElementsAre("Directory_0=" + third, "Directory_1=C:\\windows\\",
                                            "Directory_2=C:\\no such folder\\", "Directory_3=C:\\last\\"));
    EXPECT_EQ(Setting("DefaultFileType"), 0u);
    EXPECT_EQ(Setting("JPEGCompression"), 50u);
    EXPECT_EQ(Setting("JPEGGrayscale"), 0u);

    // JPG with options; a folder that does not exist leaves the list alone.
    plugin_->calls.clear();
    page.FileTypeCombo->SetItemIndex(1);
    page.FileTypeComboChange();
    page.Grayscale = true;
    page.Compression = 65;
    page.FileNameEdit->SetText("C:\\not there\\shot.jpg");
    ASSERT_EQ(Save(), S_OK);
    EXPECT_THAT(plugin_->calls,
                ElementsAre("SetFileName C:\\not there\\shot.jpg", "SetFileType 1", "SetJPEGOptions 1 0 65"));
    EXPECT_EQ(RecentValues().size(), 4u);
    EXPECT_EQ(Setting("DefaultFileType"), 1u);
    EXPECT_EQ(Setting("JPEGCompression"), 65u);
    EXPECT_EQ(Setting("JPEGGrayscale"), 1u);

    // Remove one, then all; a name without a folder adds none.
    page.RecentFolders->SetItemIndex(1);
    page.Button2Click();
    EXPECT_EQ(Captions(page).size(), 3u);
    page.RecentFolders->SetItemIndex(-1);
    page.Button2Click();
    EXPECT_EQ(Captions(page).size(), 3u);
    page.Button3Click();
    page.FileNameEdit->SetText("shot.jpg");
    ASSERT_EQ(Save(), S_OK);
    EXPECT_TRUE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, stowick::kRecentKey));
    EXPECT_THAT(RecentValues(), IsEmpty());
}

TEST_F(OptionsPage, TakesOnlyItsOwnPluginObject)
{
    CreatePluginKey();
    auto& page = Page();
    fw::ComPtr<IUnknown> foreign;
    fw::OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(foreign.PutVoid())));
    EXPECT_EQ(page.SetPlugin(reinterpret_cast<IPixwellPlugin*>(foreign.Get())), E_NOINTERFACE);
    EXPECT_FALSE(page.Plugin);
    EXPECT_EQ(page_->Notify(nmGetFocus), S_OK);
    EXPECT_EQ(page_->Notify(nmLostFocus), S_OK);

    // The real object works with the page.
    fw::ComPtr<IPixwellPlugin> object;
    fw::OleCheck(stowick::TStowickObject::CreateInstance(IID_IPixwellPlugin, object.PutVoid()));
    EXPECT_EQ(page.SetPlugin(object.Get()), S_OK);
    page.FileNameEdit->SetText(folder_ / "real.bmp");
    ASSERT_EQ(Save(), S_OK);
    HRESULT result = E_FAIL;
    ASSERT_EQ(object->Execute(pixwell::MakeImageStream(BlockImage(img::PixelFormat::pf8bit)).Get(), 0, &result), S_OK);
    EXPECT_THAT(folder_.Files(), ElementsAre("real.bmp"));
}

TEST_F(OptionsPage, PutsARecentFolderBeforeTheFileName)
{
    CreatePluginKey();
    SetRecent({{"Directory_0", "C:\\windows\\"}, {"Directory_1", "  C:\\spaced  "}});
    auto& page = Page();
    page.FileNameEdit->SetText("D:\\old\\ shot.bmp ");
    page.RecentFoldersDblClick(); // nothing selected
    EXPECT_EQ(page.FileNameEdit->Text(), "D:\\old\\ shot.bmp ");

    page.RecentFolders->SetItemIndex(1);
    page.RecentFoldersDblClick();
    EXPECT_EQ(page.FileNameEdit->Text(), "C:\\spaced\\shot.bmp");
    DWORD start = 0, end = 0;
    SendMessageA(page.FileNameEdit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 10u);
    EXPECT_EQ(end, 14u);
}

TEST_F(OptionsPage, TakesTheJpegOptionsFromTheDialogOnlyAfterOk)
{
    CreatePluginKey();
    auto& page = Page();
    for (const bool ok : {false, true}) {
        RunSoon([ok] {
            auto* dialog = dynamic_cast<TJPEGSettings*>(fw::Window::FromHandle(FindThreadWindow("JPEG Image Settings")));
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->Compression->Position(), 50);
            EXPECT_EQ(dialog->CompressionEdit->Text(), "_50");
            dialog->SmoothingCheckBox->SetChecked(true);
            dialog->Compression->SetPosition(30);
            (ok ? dialog->Button1 : dialog->Button2)->Click();
        });
        page.SettingsButtonClick();
        EXPECT_EQ(page.Smoothing, ok);
        EXPECT_EQ(page.Compression, ok ? 30 : 50);
        page.Compression = 50;
    }
}

TEST_F(OptionsPage, BrowsesForAFolder)
{
    CreatePluginKey();
    auto& page = Page();
    page.FileNameEdit->SetText("C:\\old\\shot.bmp");
    // Cancelled: nothing changes.
    const auto browserUp = [] { return FindThreadWindow(nullptr) != nullptr; };
    RunWhen(browserUp, [] { PostMessageA(FindThreadWindow(nullptr), WM_COMMAND, IDCANCEL, 0); });
    page.Button1Click();
    EXPECT_EQ(page.FileNameEdit->Text(), "C:\\old\\shot.bmp");

    // A folder chosen: it replaces the folder part.
    const std::string target = folder_.Path().substr(0, folder_.Path().size() - 1);
    const std::string leaf = target.substr(target.find_last_of('\\') + 1);
    // The browser fills its tree after it shows: ask for the folder until the
    // tree really has it selected, then confirm.
    const auto folderSelected = [&] {
        HWND browser = FindThreadWindow(nullptr);
        if (!browser)
            return false;
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(target.c_str()));
        HWND tree = nullptr;
        EnumChildWindows(browser, [](HWND child, LPARAM found) {
            char cls[32] = {};
            GetClassNameA(child, cls, sizeof cls);
            if (lstrcmpiA(cls, WC_TREEVIEWA) != 0)
                return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        }, reinterpret_cast<LPARAM>(&tree));
        const auto item = tree ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0))
                               : nullptr;
        if (!item)
            return false;
        char text[MAX_PATH] = {};
        TVITEMA tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = MAX_PATH;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        return lstrcmpiA(text, leaf.c_str()) == 0;
    };
    RunWhen(folderSelected, [] { PostMessageA(FindThreadWindow(nullptr), WM_COMMAND, IDOK, 0); });
    page.Button1Click();
    EXPECT_EQ(page.FileNameEdit->Text(), folder_.Path() + "shot.bmp");
}

// ---- Registration of stowick.dll ------------------------------------------------------------------

std::string RegistryText(HKEY root, const std::string& path, const char* name = nullptr)
{
    std::string value;
    const fw::RegKey key = fw::RegKey::TryOpen(root, path.c_str());
    if (!key || key.ReadString(name, value) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

class Library : public testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA("stowick.dll");
        ASSERT_NE(module_, nullptr);
        Export(registerServer_, "DllRegisterServer");
        Export(unregisterServer_, "DllUnregisterServer");
        Export(getClassObject_, "DllGetClassObject");
        Export(canUnloadNow_, "DllCanUnloadNow");
        ASSERT_TRUE(registerServer_ && unregisterServer_ && getClassObject_ && canUnloadNow_);
    }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        FreeLibrary(module_);
    }

    template <class Fn>
    void Export(Fn& fn, const char* name)
    {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    fw::ComInit com_;
    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer_)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregisterServer_)() = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow_)() = nullptr;
};

TEST_F(Library, ServesItsClassesAndNoOthers)
{
    fw::ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(CLSID_StowickObject, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    fw::ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPixwellPlugin, plugin.PutVoid()), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    // Automation clients reach the private interface by name.
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"SetJPEGOptions");
    EXPECT_EQ(plugin.As<IDispatch>()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 3);
    plugin.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);

    ASSERT_EQ(getClassObject_(CLSID_StowickOptions, IID_IClassFactory, factory.PutVoid()), S_OK);
    factory.Reset();
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(IID_IStowickObject, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);

    // The toolbox picture and the version information are in the library.
    const HANDLE picture = LoadImageA(module_, MAKEINTRESOURCEA(1), IMAGE_BITMAP, 0, 0, 0);
    EXPECT_NE(picture, nullptr);
    DeleteObject(picture);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module_, path, MAX_PATH);
    EXPECT_GT(GetFileVersionInfoSizeA(path, nullptr), 0u);
}

TEST_F(Library, RegistersAsAPluginTheHostListsAndUnregistersTwice)
{
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, "Software\\Orvane", true);
    ASSERT_EQ(registerServer_(), S_OK);

    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, stowick::kPluginKey), "SaveToFile plugin");
    const std::string objectKey = "CLSID\\{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}";
    const std::string optionsKey = "CLSID\\{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}";
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey), "StowickObject Object");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, optionsKey + "\\MiscStatus\\1"), "73728");
    EXPECT_THAT(RegistryText(HKEY_CLASSES_ROOT, optionsKey + "\\ToolboxBitmap32"), testing::EndsWith(",1"));
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(CLSID_StowickOptions, &progId), S_OK);
    EXPECT_EQ(fw::WideToAnsi(progId), "stowick.StowickOptions");
    CoTaskMemFree(progId);

    // The host's catalogue lists it and makes its object.
    fw::ComPtr<IPixwellObject> catalogue;
    ASSERT_EQ(TPixwellObject::Create(IID_IPixwellObject, catalogue.PutVoid()), S_OK);
    fw::BStr list;
    ASSERT_EQ(catalogue->GetPluginList(list.Put()), S_OK);
    EXPECT_THAT(list.ToString(), HasSubstr("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}"));
    fw::ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(catalogue->GetPlugin(fw::BStr("{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}").Get(), plugin.Put()), S_OK);
    fw::BStr name, description, options, topic;
    HRESULT result = E_FAIL;
    ASSERT_EQ(plugin->GetPluginInfo(name.Put(), description.Put(), options.Put(), topic.Put(), &result), S_OK);
    EXPECT_EQ(name.ToString(), "SaveToFile plugin");
    plugin.Reset();
    fw::ComPtr<IPixwellPluginOptions> page;
    EXPECT_EQ(CoCreateInstance(CLSID_StowickOptions, nullptr, CLSCTX_INPROC_SERVER, IID_IPixwellPluginOptions,
                               page.PutVoid()),
              S_OK);
    page.Reset();

    // Registering again keeps the settings; unregistering takes them along
    // with the recent folders.
    fw::RegKey::TryOpen(HKEY_CURRENT_USER, stowick::kPluginKey).WriteDword("JPEGCompression", 70);
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_EQ(Setting("JPEGCompression"), 70u);
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, stowick::kRecentKey).WriteString("Directory_0", "C:\\");
    EXPECT_EQ(unregisterServer_(), S_OK);
    EXPECT_FALSE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, stowick::kPluginKey));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey), "<missing>");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, optionsKey), "<missing>");
    EXPECT_EQ(unregisterServer_(), S_OK);
}

} // namespace
