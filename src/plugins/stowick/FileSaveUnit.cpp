#include "stowick/FileSaveUnit.h"

#include <cstring>
#include <optional>

#include "common/ImageStream.h"
#include "com/ComBStr.h"
#include "base/Errors.h"
#include "imaging/BmpFormat.h"
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include "imaging/ByteOrder.h"
#include "base/ReplacingFile.h"

namespace stowick {
namespace {

using img::detail::GetI32;
using img::detail::GetU16;
using img::detail::GetU32;

constexpr std::size_t kBitfieldMaskBytes = 12;

// Bits after a row's last pixel, up to its 4-byte end, are all zero.
bool PaddingClean(const std::uint8_t* row, std::uint64_t usedBits, std::size_t stride)
{
    auto byte = static_cast<std::size_t>(usedBits / 8);
    if (usedBits % 8 && (row[byte++] & (0xFF >> (usedBits % 8))))
        return false;
    for (; byte < stride; ++byte)
        if (row[byte])
            return false;
    return true;
}

// The rows of a 24- or 32-bit BI_RGB file, where they lie; nullopt for any
// other file, or one whose pixel data is cut short (decoding reports that).
std::optional<JpegSourceRows> DirectRows(const pixwell::ImageStreamBytes& image)
{
    const img::BmpInfo& info = image.Info();
    if (info.compression != img::bmp::kBiRgb || (info.bitCount != 24 && info.bitCount != 32) ||
        image.Size() < info.requiredSize)
        return std::nullopt;
    const auto stride = static_cast<std::ptrdiff_t>(
        (static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.bitCount) + 31) / 32 * 4);
    const std::uint8_t* pixels = image.Data() + info.pixelOffset;
    JpegSourceRows rows;
    rows.width = info.width;
    rows.height = info.height;
    rows.fourBytes = info.bitCount == 32;
    rows.first = info.topDown ? pixels : pixels + (info.height - 1) * stride;
    rows.step = info.topDown ? stride : -stride;
    return rows;
}

} // namespace

bool IsWrittenBmpForm(const std::uint8_t* data, std::size_t size, const img::BmpInfo& info)
{
    namespace bmp = img::bmp;
    const int bits = info.bitCount;
    const bool bitfields = info.compression == bmp::kBiBitfields;
    if (info.headerSize != bmp::kInfoHeaderSize || info.topDown)
        return false;
    if (bitfields ? bits != 16 : info.compression != bmp::kBiRgb)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;

    const std::size_t tableEntries = bits <= 8 ? std::size_t{1} << bits : 0;
    const std::size_t headers = bmp::kFileHeaderSize + bmp::kInfoHeaderSize +
                                (bitfields ? kBitfieldMaskBytes : 0) + 4 * tableEntries;
    const std::uint64_t usedBits = static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(bits);
    const std::uint64_t stride = (usedBits + 31) / 32 * 4;
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(info.height);
    if (size < headers || size - headers < imageBytes)
        return false;

    const std::uint8_t* h = data + bmp::kFileHeaderSize;
    if (GetU32(data + 2) != headers + imageBytes || GetU32(data + 6) != 0 || GetU32(data + 10) != headers ||
        GetU16(h + 12) != 1 || GetU32(h + 20) != imageBytes || GetI32(h + 24) != bmp::kPixelsPerMetre96Dpi ||
        GetI32(h + 28) != bmp::kPixelsPerMetre96Dpi || GetU32(h + 32) != tableEntries || GetU32(h + 36) != 0)
        return false;
    const std::uint8_t* table = h + bmp::kInfoHeaderSize;
    if (bitfields && (GetU32(table) != bmp::kMask565Red || GetU32(table + 4) != bmp::kMask565Green ||
                      GetU32(table + 8) != bmp::kMask565Blue))
        return false;
    for (std::size_t i = 0; i < tableEntries; ++i)
        if (table[4 * i + 3] != 0) // RGBQUAD's reserved byte
            return false;
    if (usedBits == stride * 8)
        return true;
    for (int y = 0; y < info.height; ++y)
        if (!PaddingClean(data + headers + static_cast<std::size_t>(y) * stride, usedBits,
                          static_cast<std::size_t>(stride)))
            return false;
    return true;
}

void WriteImageFile(const pixwell::ImageStreamBytes& image, const std::wstring& fileName,
                    FileTypeValue fileType, const JpegOptions& jpeg)
{
    if (fileType == ftBMP && IsWrittenBmpForm(image.Data(), image.Size(), image.Info())) {
        fw::ReplacingFile file(fileName);
        file.Write(image.Data(), image.Info().fileSize);
        file.Commit();
        return;
    }
    if (fileType == ftJPG) {
        if (const std::optional<JpegSourceRows> rows = DirectRows(image)) {
            fw::ReplacingFile file(fileName);
            WriteJpeg(*rows, jpeg, file);
            file.Commit();
            return;
        }
    }
    if (fileType != ftBMP && fileType != ftJPG)
        return;
    WriteImageFile(img::ReadBmp(image.Data(), image.Size()), fileName, fileType, jpeg);
}

void WriteImageFile(const img::Bitmap& bitmap, const std::wstring& fileName, FileTypeValue fileType,
                    const JpegOptions& jpeg)
{
    if (fileType != ftBMP && fileType != ftJPG)
        return;
    fw::ReplacingFile file(fileName);
    if (fileType == ftBMP)
        img::WriteBmp(bitmap, file);
    else
        WriteJpeg(bitmap, jpeg, file);
    file.Commit();
}

HRESULT TStowickObject::SetFileName(BSTR fileName, HRESULT* result)
{
    if (!result)
        return E_POINTER;
    return Method(IID_IStowickObject, [&] {
        FileName.assign(fileName ? fileName : L"", SysStringLen(fileName));
        *result = S_OK;
    });
}

HRESULT TStowickObject::SetFileType(TFileType fileType)
{
    // The parameter's bytes, not its value: reading a TFileType that holds
    // neither ftBMP nor ftJPG is undefined.
    static_assert(sizeof fileType == sizeof FileType);
    std::memcpy(&FileType, &fileType, sizeof FileType);
    return S_OK;
}

HRESULT TStowickObject::SetJPEGOptions(signed char grayscale, signed char smoothing, LONG compression)
{
    Grayscale = grayscale != 0;
    Smoothing = smoothing != 0;
    Compression = compression;
    JPEGOptionsSet = true;
    return S_OK;
}

HRESULT TStowickObject::GetPluginInfo(BSTR* name, BSTR* description, BSTR* optionsObjectName,
                                      BSTR* helpTopic, HRESULT* result)
{
    if (!name || !description || !optionsObjectName || !helpTopic || !result)
        return E_POINTER;
    return Method(IID_IPixwellPlugin, [&] {
        // Built first, handed out together: a failure leaves nothing to free.
        fw::BStr texts[] = {fw::BStr(kPluginName), fw::BStr(kPluginDescription),
                            fw::BStr(kOptionsObjectName), fw::BStr(kPluginHelpTopic)};
        *name = texts[0].Detach();
        *description = texts[1].Detach();
        *optionsObjectName = texts[2].Detach();
        *helpTopic = texts[3].Detach();
        *result = S_OK;
    });
}

HRESULT TStowickObject::Execute(IUnknown* imageStream, LONG /*parentWnd*/, HRESULT* result)
{
    if (!result)
        return E_POINTER;
    return Method(IID_IPixwellPlugin, [&] {
        fw::ComPtr<IStream> stream;
        const HRESULT queried =
            imageStream ? imageStream->QueryInterface(IID_IStream, stream.PutVoid()) : E_POINTER;
        if (FAILED(queried) || !stream)
            throw fw::Error(kNoImageStreamError, FAILED(queried) ? queried : E_NOINTERFACE);

        const pixwell::ImageStreamBytes image = pixwell::ReadImageStreamBytes(stream.Get());
        stream.Reset();
        const JpegOptions jpeg = JPEGOptionsSet ? JpegOptionsFrom(Grayscale, Smoothing, Compression) : JpegOptions{};
        WriteImageFile(image, FileName, FileType, jpeg);
        *result = S_OK;
    });
}

} // namespace stowick
