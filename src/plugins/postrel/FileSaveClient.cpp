#include "postrel/FileSaveClient.h"

#include "com/ComBStr.h"
#include "com/ComError.h"
#include "stowick_TLB.h"

namespace postrel {

FileSaveClient::FileSaveClient()
{
    fw::OleCheck(CoCreateInstance(CLSID_StowickObject, nullptr, CLSCTX_INPROC_SERVER, IID_IStowickObject,
                                  object_.PutVoid()));
}

FileSaveClient::~FileSaveClient() = default;

void FileSaveClient::Write(const std::string& path, const AttachmentOptions& options, IUnknown* imageStream,
                           LONG parentWnd)
{
    HRESULT ignored = S_OK; // the object's verdicts are not looked at, only its statuses
    fw::OleCheck(object_->SetFileName(fw::BStr(path).Get(), &ignored));
    // Callers send ftBMP (0) or ftJPG (1) only.
    fw::OleCheck(object_->SetFileType(static_cast<TFileType>(options.fileType)));
    fw::OleCheck(object_->SetJPEGOptions(options.grayscale ? 1 : 0, options.smoothing ? 1 : 0, options.compression));

    fw::ComPtr<IPixwellPlugin> plugin;
    fw::OleCheck(object_.As(IID_IPixwellPlugin, plugin));
    fw::OleCheck(plugin->Execute(imageStream, parentWnd, &ignored));
}

} // namespace postrel
