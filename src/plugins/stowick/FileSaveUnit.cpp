#include "FileSaveUnit.h"

#include "common/ImageStream.h"
#include "framework/ComBStr.h"
#include "framework/Errors.h"
#include "imaging/BmpWriter.h"
#include "ReplacingFile.h"

namespace stowick {

void WriteImageFile(const img::Bitmap& bitmap, const std::wstring& fileName, TFileType fileType,
                    const JpegOptions& jpeg)
{
    if (fileType != ftBMP && fileType != ftJPG)
        return;
    ReplacingFile file(fileName);
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
    FileType = fileType;
    return S_OK;
}

HRESULT TStowickObject::SetJPEGOptions(signed char grayscale, signed char smoothing, LONG compression)
{
    Grayscale = grayscale != 0;
    Smoothing = smoothing != 0;
    Compression = compression;
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

        const img::Bitmap bitmap = pixwell::ReadImageStream(stream.Get());
        stream.Reset();
        WriteImageFile(bitmap, FileName, FileType, JpegOptionsFrom(Grayscale, Smoothing, Compression));
        *result = S_OK;
    });
}

} // namespace stowick
