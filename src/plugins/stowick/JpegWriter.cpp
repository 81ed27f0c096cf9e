#include "stowick/JpegWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <exception>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/Convert.h"
#include "imaging/ImageError.h"

namespace stowick {
namespace {

constexpr char kJpegErrorPrefix[] = "Unable to write JPEG image: ";
constexpr std::size_t kOutputBufferSize = 64 * 1024;
// Rows handed to libjpeg per call.
constexpr int kRowBatch = 16;

// Everything one compression needs, owned by the caller of the setjmp frame:
// a jump out of libjpeg then skips only frames without destructors.
struct Compression {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    std::jmp_buf back{};
    char message[JMSG_LENGTH_MAX] = {};

    jpeg_destination_mgr destination{};
    img::ByteSink* sink = nullptr;
    std::exception_ptr sinkFailure; // what the sink threw, passed on afterwards
    JOCTET buffer[kOutputBufferSize];

    JpegSourceRows image;
    JpegOptions options;
};

Compression& Of(j_common_ptr cinfo)
{
    return *static_cast<Compression*>(cinfo->client_data);
}

// libjpeg's fatal errors must not return: keep the text and jump back.
void JumpOnError(j_common_ptr cinfo)
{
    Compression& c = Of(cinfo);
    (*cinfo->err->format_message)(cinfo, c.message);
    std::longjmp(c.back, 1);
}

// Warnings and traces would go to stderr, which a plug-in does not own.
void IgnoreMessage(j_common_ptr) {}

// Hands `size` bytes of the buffer to the sink; false (with the exception
// kept) when the sink failed. Nothing with a destructor outlives the call, so
// the caller may jump away afterwards.
bool Deliver(Compression& c, std::size_t size) noexcept
{
    try {
        if (size > 0)
            c.sink->Write(c.buffer, size);
        return true;
    } catch (...) {
        c.sinkFailure = std::current_exception();
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo)
{
    Compression& c = Of(reinterpret_cast<j_common_ptr>(cinfo));
    c.destination.next_output_byte = c.buffer;
    c.destination.free_in_buffer = kOutputBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    Compression& c = Of(reinterpret_cast<j_common_ptr>(cinfo));
    if (!Deliver(c, kOutputBufferSize))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    c.destination.next_output_byte = c.buffer;
    c.destination.free_in_buffer = kOutputBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    Compression& c = Of(reinterpret_cast<j_common_ptr>(cinfo));
    if (!Deliver(c, kOutputBufferSize - c.destination.free_in_buffer))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

// The whole libjpeg conversation. Only plain data lives in this frame, so
// the jump back from an error skips nothing that needs cleaning up; the
// caller destroys the compress struct.
bool Compress(Compression& c)
{
    if (setjmp(c.back))
        return false;

    jpeg_create_compress(&c.cinfo);
    c.cinfo.dest = &c.destination;

    const JpegSourceRows& image = c.image;
    c.cinfo.image_width = static_cast<JDIMENSION>(image.width);
    c.cinfo.image_height = static_cast<JDIMENSION>(image.height);
    c.cinfo.input_components = image.fourBytes ? 4 : 3;
    c.cinfo.in_color_space = image.fourBytes ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&c.cinfo);
    if (c.options.grayscale)
        jpeg_set_colorspace(&c.cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&c.cinfo, c.options.quality, TRUE);
    c.cinfo.smoothing_factor = c.options.smoothingFactor;

    jpeg_start_compress(&c.cinfo, TRUE);
    JSAMPROW rows[kRowBatch];
    while (c.cinfo.next_scanline < c.cinfo.image_height) {
        const int first = static_cast<int>(c.cinfo.next_scanline);
        const int count = std::min(kRowBatch, image.height - first);
        for (int i = 0; i < count; ++i)
            // libjpeg reads the rows only; its interface just lacks the const.
            rows[i] = const_cast<JSAMPROW>(image.first + (first + i) * image.step);
        jpeg_write_scanlines(&c.cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

// Destroys the compress struct on every way out.
class CompressGuard {
public:
    explicit CompressGuard(jpeg_compress_struct& cinfo) : cinfo_(cinfo) {}
    ~CompressGuard() { jpeg_destroy_compress(&cinfo_); }
    CompressGuard(const CompressGuard&) = delete;
    CompressGuard& operator=(const CompressGuard&) = delete;

private:
    jpeg_compress_struct& cinfo_;
};

} // namespace

JpegOptions JpegOptionsFrom(bool grayscale, bool smoothing, long compression) noexcept
{
    JpegOptions options;
    options.quality = static_cast<int>(std::clamp(compression, 1L, 100L));
    options.grayscale = grayscale;
    options.smoothingFactor = smoothing ? kSmoothingFactor : 0;
    return options;
}

void WriteJpeg(const img::Bitmap& bitmap, const JpegOptions& options, img::ByteSink& sink)
{
    // libjpeg reads 24- and 32-bit rows as they are (blue, green, red
    // order); the other formats go through a 24-bit copy.
    img::Bitmap converted;
    const img::Bitmap* image = &bitmap;
    if (bitmap.Format() != img::PixelFormat::pf32bit && bitmap.Format() != img::PixelFormat::pf24bit) {
        converted = img::ConvertTo(bitmap, img::PixelFormat::pf24bit);
        image = &converted;
    }
    JpegSourceRows rows;
    rows.width = image->Width();
    rows.height = image->Height();
    rows.fourBytes = image->Format() == img::PixelFormat::pf32bit;
    rows.first = image->Height() > 0 ? image->Row(0) : nullptr;
    rows.step = static_cast<std::ptrdiff_t>(image->Stride());
    WriteJpeg(rows, options, sink);
}

void WriteJpeg(const JpegSourceRows& rows, const JpegOptions& options, img::ByteSink& sink)
{
    auto c = std::make_unique<Compression>(); // the output buffer is too big for the stack
    c->cinfo.client_data = c.get();
    c->cinfo.err = jpeg_std_error(&c->errors);
    c->errors.error_exit = JumpOnError;
    c->errors.output_message = IgnoreMessage;
    c->destination.init_destination = InitDestination;
    c->destination.empty_output_buffer = EmptyOutputBuffer;
    c->destination.term_destination = TermDestination;
    c->sink = &sink;
    c->image = rows;
    c->options = options;

    CompressGuard guard(c->cinfo);
    if (Compress(*c))
        return;
    if (c->sinkFailure)
        std::rethrow_exception(c->sinkFailure);
    throw img::ImageError(std::string(kJpegErrorPrefix) + c->message);
}

} // namespace stowick
