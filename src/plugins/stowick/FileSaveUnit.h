// The file-save plug-in object: the host runs it to write the captured image
// to a file, the e-mail plug-in to write its attachment. It learns the file
// name, type and JPEG options through IStowickObject and writes in Execute.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ImageStream.h"
#include "com/AutoObject.h"
#include "imaging/Bitmap.h"
#include "stowick/JpegWriter.h"
#include "stowick_TLB.h"

namespace stowick {

// What GetPluginInfo reports.
inline constexpr char kPluginName[] = "SaveToFile plugin";
inline constexpr char kPluginDescription[] = "This plugin save image to your specified file";
inline constexpr char kOptionsObjectName[] = "{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}";
inline constexpr char kPluginHelpTopic[] = "plugin_filesave.html";

inline constexpr char kNoImageStreamError[] =
    "The image handed to the file-save plugin is not a stream";

// The file type as a client sent it. TFileType has no fixed underlying type,
// so the only values it may hold are those of ftBMP and ftJPG; an automation
// client can send any 32-bit number (which writes nothing), so the number is
// kept as such and compared with ftBMP and ftJPG.
using FileTypeValue = std::int32_t;

// Writes `bitmap` to `fileName` in `fileType`: a BMP file as the image is, a
// JPEG file with `jpeg`; other types write nothing. The file appears only
// once it is complete, replacing any file of that name. Raises fw::Error
// naming the file, or img::ImageError when the image cannot be encoded.
void WriteImageFile(const img::Bitmap& bitmap, const std::wstring& fileName, FileTypeValue fileType,
                    const JpegOptions& jpeg);

// The same from the BMP file a client handed over: copied unchanged when it
// is already the file written for its image (see IsWrittenBmpForm), 24- and
// 32-bit rows compressed where they lie; anything else decoded first.
void WriteImageFile(const pixwell::ImageStreamBytes& image, const std::wstring& fileName,
                    FileTypeValue fileType, const JpegOptions& jpeg);

// Whether `size` bytes of a BMP file whose headers gave `info` are, byte for
// byte, what the BMP writer makes of the image they decode to: 40-byte
// header, rows bottom-up with clean padding, every field as the writer sets
// it. Pixel data the file lacks makes it false.
bool IsWrittenBmpForm(const std::uint8_t* data, std::size_t size, const img::BmpInfo& info);


class TStowickObject final
    : public fw::AutoObject<TStowickObject, IStowickObject, IPixwellPlugin> {
public:
    static const CLSID& ClassId() noexcept { return CLSID_StowickObject; }

    // IStowickObject
    HRESULT STDMETHODCALLTYPE SetFileName(BSTR FileName, HRESULT* Result) override;
    HRESULT STDMETHODCALLTYPE SetFileType(TFileType FileType) override;
    HRESULT STDMETHODCALLTYPE SetJPEGOptions(signed char Grayscale, signed char Smoothing,
                                             LONG Compression) override;

    // IPixwellPlugin
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* Name, BSTR* Description, BSTR* OptionsObjectName,
                                            BSTR* HelpTopic, HRESULT* Result) override;
    HRESULT STDMETHODCALLTYPE Execute(IUnknown* ImageStream, LONG ParentWnd,
                                      HRESULT* Result) override;

private:
    bool Grayscale = false;
    bool Smoothing = false;
    long Compression = 0;
    std::wstring FileName;
    FileTypeValue FileType = ftBMP;
    // Whether SetJPEGOptions was ever called: without it the JPEG file gets
    // the default quality, while a Compression of 0 sent by a client is the
    // lowest quality the user chose.
    bool JPEGOptionsSet = false;
};


} // namespace stowick
