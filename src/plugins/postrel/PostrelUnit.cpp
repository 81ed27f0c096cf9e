#include "postrel/PostrelUnit.h"

#include <mapi.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "com/ComBStr.h"
#include "portable/MailText.h"
#include "postrel/FileSaveClient.h"
#include "postrel/MailSendState.h"
#include "postrel/SimpleMapi.h"

namespace postrel {

namespace {

// The buffer GetTempPathA fills; a longer path does not fit and is refused.
constexpr DWORD kTempPathBuffer = 260;
// The attachment is not placed in the body text.
constexpr ULONG kNoPosition = 0xFFFFFFFF;

// The attachment file, deleted when it goes unless deleted before.
class AttachmentFile {
public:
    explicit AttachmentFile(std::string path) : path_(std::move(path)) {}
    ~AttachmentFile() { Delete(); }
    AttachmentFile(const AttachmentFile&) = delete;
    AttachmentFile& operator=(const AttachmentFile&) = delete;

    const std::string& Path() const noexcept { return path_; }
    void Delete() noexcept
    {
        if (!deleted_)
            DeleteFileA(path_.c_str());
        deleted_ = true;
    }

private:
    std::string path_;
    bool deleted_ = false;
};

// Whether the state holds a letter that can be sent; raises otherwise.
void CheckSendable(const MailSendState& state)
{
    if (!state.ToRecipient)
        throw fw::Error(kNoRecipientError);
    if (!portable::AttachmentExtension(state.FileType))
        throw fw::Error(kFileTypeError + std::to_string(state.FileType));
}

// A copy of the slot's first entry as a recipient of `recipientClass`; the
// texts it points to stay in the client's buffer.
MapiRecipDesc RecipientOf(const MapiBuffer& buffer, ULONG recipientClass)
{
    MapiRecipDesc recipient = *static_cast<const MapiRecipDesc*>(buffer.Get());
    recipient.ulRecipClass = recipientClass;
    return recipient;
}

// Hands the letter to the mail client and returns its status. `to` and
// `cc` hold the recipients' entries (`cc` may be empty).
ULONG SendLetter(const MailSendState& state, const MapiBuffer& to, const MapiBuffer& cc,
                 const std::string& attachment, HWND parent)
{
    std::vector<MapiRecipDesc> recipients{RecipientOf(to, MAPI_TO)};
    if (cc)
        recipients.push_back(RecipientOf(cc, MAPI_CC));

    // The call takes writable texts.
    std::string path = attachment;
    std::string subject = state.Subject;
    std::string noteText = state.NoteText;
    MapiFileDesc file{};
    file.ulReserved = 0;
    file.flFlags = 0;
    file.nPosition = kNoPosition;
    file.lpszPathName = path.data();
    file.lpszFileName = nullptr;
    file.lpFileType = nullptr;

    MapiMessage message{};
    message.lpszSubject = subject.data();
    message.lpszNoteText = noteText.data();
    message.nRecipCount = static_cast<ULONG>(recipients.size());
    message.lpRecips = recipients.data();
    message.nFileCount = 1;
    message.lpFiles = &file;

    const FLAGS flags = MAPI_LOGON_UI | MAPI_NEW_SESSION | (state.PreviewLetter ? MAPI_DIALOG : 0);
    return MapiSendMail(parent, message, flags);
}

} // namespace

std::string MakeTempImageName()
{
    char folder[kTempPathBuffer] = {};
    const DWORD length = GetTempPathA(kTempPathBuffer, folder);
    // A path that does not fit leaves the buffer unfilled.
    if (length == 0 || length >= kTempPathBuffer)
        throw fw::Error(kTempNameError);
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder, kTempPrefix, kTempUnique, name) == 0)
        throw fw::Error(kTempNameError);
    return name;
}

HRESULT TPixwellPostrelObject::GetPluginInfo(BSTR* name, BSTR* description, BSTR* optionsObjectName,
                                             BSTR* helpTopic, HRESULT* result)
{
    if (!name || !description || !optionsObjectName || !helpTopic || !result)
        return E_POINTER;
    return Method(IID_IPixwellPlugin, [&] {
        // Built first, handed out together: a failure leaves nothing to free.
        fw::BStr texts[] = {fw::BStr(kPluginName), fw::BStr(kPluginDescription), fw::BStr(kOptionsObjectName),
                            fw::BStr(kPluginHelpTopic)};
        *name = texts[0].Detach();
        *description = texts[1].Detach();
        *optionsObjectName = texts[2].Detach();
        *helpTopic = texts[3].Detach();
        *result = S_OK;
    });
}

HRESULT TPixwellPostrelObject::Execute(IUnknown* imageStream, LONG parentWnd, HRESULT* result)
{
    if (!result)
        return E_POINTER;
    return Method(IID_IPixwellPlugin, [&] {
        MailSendState& state = SendState();
        CheckSendable(state);
        FileSaveClient saver;
        const std::optional<std::string> path = portable::AttachmentPath(MakeTempImageName(), state.FileType);
        saver.Write(*path, {state.FileType, state.Grayscale, state.Smoothing, state.Compression}, imageStream,
                    parentWnd);

        // From here on the letter goes out, whatever the client says. The
        // recipients leave their slots first: while the client's windows are
        // up the page may resolve its fields again, and must not release
        // what the client is reading.
        AttachmentFile attachment(*path);
        MapiBuffer to = state.ToRecipient.Release();
        MapiBuffer cc = state.CcRecipient.Release();
        const auto parent = reinterpret_cast<HWND>(static_cast<LONG_PTR>(parentWnd));
        const ULONG status = SendLetter(state, to, cc, attachment.Path(), parent);
        if (status != SUCCESS_SUCCESS && status != MAPI_USER_ABORT)
            MessageBoxA(parent, kMapiSendError, kPluginName, MB_OK | MB_ICONERROR);
        attachment.Delete();
        to.Reset();
        cc.Reset();
        // What the page resolved meanwhile goes too: each send needs the
        // fields resolved anew.
        state.ToRecipient.Clear();
        state.CcRecipient.Clear();
        *result = S_OK;
    });
}

} // namespace postrel
