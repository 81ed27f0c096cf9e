// The file-save plug-in seen from the e-mail plug-in: its object, created by
// class identifier as any client would, writes the attachment file. Kept
// apart from the e-mail plug-in's own type library, whose declarations
// would clash with the file-save plug-in's.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <string>

#include "com/ComPtr.h"

struct IStowickObject; // the file-save plug-in's interface (stowick_TLB.h)

namespace postrel {

struct AttachmentOptions {
    long fileType = 0; // the file-save plug-in's TFileType: 0 BMP, 1 JPG
    bool grayscale = false;
    bool smoothing = false;
    long compression = 0;
};

class FileSaveClient {
public:
    // Creates the file-save plug-in's object. Raises fw::Error with the
    // creation's or the query's error when it is not registered or lacks
    // its interfaces.
    FileSaveClient();
    ~FileSaveClient();
    FileSaveClient(const FileSaveClient&) = delete;
    FileSaveClient& operator=(const FileSaveClient&) = delete;

    // Has the object write the image of the host's stream to `path`: file
    // name, type and JPEG options, then its Execute with the stream and the
    // window unchanged. Raises fw::Error with the object's error.
    void Write(const std::string& path, const AttachmentOptions& options, IUnknown* imageStream, LONG parentWnd);

private:
    fw::ComPtr<IStowickObject> object_;
};

} // namespace postrel
