// The cross-built libjpeg works as the file-save plug-in uses it: default
// parameters, quality with baseline tables, sequential encoding of 24-bit rows
// into memory; libjpeg itself decodes the result again.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<unsigned char>;

// libjpeg reports fatal errors through error_exit, which must not return:
// jump back to the caller with the library's message.
struct JumpingErrors {
    jpeg_error_mgr pub;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void JumpOnError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<JumpingErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->back, 1);
}

// A smooth picture with some edges, 3 bytes per pixel in R, G, B order.
Bytes TestPicture(int width, int height)
{
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(x * 255 / (width - 1));
            p[1] = static_cast<unsigned char>(y * 255 / (height - 1));
            p[2] = (x / 16 + y / 16) % 2 ? 200 : 40;
        }
    return rgb;
}

// Only plain data lives in the frames that longjmp crosses.
bool Compress(const unsigned char* rgb, int width, int height, int quality, unsigned char** out,
              unsigned long* outSize, char* error)
{
    jpeg_compress_struct cinfo;
    JumpingErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JumpOnError;
    if (setjmp(errors.back)) {
        std::strcpy(error, errors.message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

struct Decoded {
    int width = 0, height = 0, components = 0;
    bool jfif = false, progressive = false;
    unsigned char* pixels = nullptr; // width * height * components, malloc'ed
};

bool Decompress(const unsigned char* data, unsigned long size, Decoded* result, char* error)
{
    jpeg_decompress_struct cinfo;
    JumpingErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JumpOnError;
    if (setjmp(errors.back)) {
        std::strcpy(error, errors.message);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    result->width = static_cast<int>(cinfo.output_width);
    result->height = static_cast<int>(cinfo.output_height);
    result->components = cinfo.output_components;
    result->jfif = cinfo.saw_JFIF_marker;
    result->progressive = cinfo.progressive_mode;
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    result->pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = result->pixels + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

Bytes Encode(const Bytes& rgb, int width, int height, int quality)
{
    unsigned char* out = nullptr;
    unsigned long size = 0;
    char error[JMSG_LENGTH_MAX] = {};
    const bool ok = Compress(rgb.data(), width, height, quality, &out, &size, error);
    Bytes file(out, out + (ok ? size : 0));
    std::free(out);
    EXPECT_TRUE(ok) << error;
    return file;
}

bool HasMarker(const Bytes& file, unsigned char marker)
{
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker)
            return true;
    return false;
}

TEST(Jpeg, EncodesABaselineJfifFileThatDecodesCloseToTheSource)
{
    const int width = 61, height = 37; // not multiples of the 8x8 / 16x16 blocks
    const Bytes rgb = TestPicture(width, height);
    const Bytes file = Encode(rgb, width, height, 90);
    ASSERT_GT(file.size(), 20u);

    EXPECT_EQ(0xFF, file[0]);
    EXPECT_EQ(0xD8, file[1]) << "starts with SOI";
    EXPECT_EQ(0xFF, file[2]);
    EXPECT_EQ(0xE0, file[3]) << "APP0 follows SOI";
    EXPECT_EQ(0, std::memcmp(&file[6], "JFIF\0", 5));
    EXPECT_EQ(0xFF, file[file.size() - 2]);
    EXPECT_EQ(0xD9, file[file.size() - 1]) << "ends with EOI";
    EXPECT_TRUE(HasMarker(file, 0xC0)) << "baseline sequential frame (SOF0)";
    EXPECT_FALSE(HasMarker(file, 0xC2)) << "no progressive frame";

    Decoded decoded;
    char error[JMSG_LENGTH_MAX] = {};
    ASSERT_TRUE(Decompress(file.data(), static_cast<unsigned long>(file.size()), &decoded, error)) << error;
    EXPECT_EQ(width, decoded.width);
    EXPECT_EQ(height, decoded.height);
    EXPECT_EQ(3, decoded.components);
    EXPECT_TRUE(decoded.jfif);
    EXPECT_FALSE(decoded.progressive);

    long total = 0;
    int worst = 0;
    for (size_t i = 0; i < rgb.size(); ++i) {
        const int diff = std::abs(int(rgb[i]) - int(decoded.pixels[i]));
        total += diff;
        worst = std::max(worst, diff);
    }
    std::free(decoded.pixels);
    EXPECT_LT(static_cast<double>(total) / rgb.size(), 4.0);
    EXPECT_LT(worst, 80);
}

TEST(Jpeg, QualityChangesTheSizeAndCorruptDataIsReported)
{
    const Bytes rgb = TestPicture(96, 64);
    const Bytes low = Encode(rgb, 96, 64, 10);
    const Bytes high = Encode(rgb, 96, 64, 95);
    EXPECT_LT(low.size() * 3, high.size() * 2);

    Decoded decoded;
    char error[JMSG_LENGTH_MAX] = {};
    const Bytes notJpeg = {'B', 'M', 0, 0, 0, 0};
    EXPECT_FALSE(Decompress(notJpeg.data(), static_cast<unsigned long>(notJpeg.size()), &decoded, error));
    EXPECT_STRNE("", error);
    std::free(decoded.pixels);
}

} // namespace
