// The e-mail plug-in object: the host runs it to send the captured image.
// It has the file-save plug-in write the image into a temporary file, hands
// that file with the recipients, subject and text the options page captured
// to the system's mail client, and deletes the file afterwards.
#pragma once
#include <windows.h>

#include <string>

#include "com/AutoObject.h"
#include "postrel_TLB.h"

namespace postrel {

// What GetPluginInfo reports.
inline constexpr char kPluginName[] = "E-mail File plugin";
inline constexpr char kPluginDescription[] = "Send your picture by e-mail";
inline constexpr char kOptionsObjectName[] = "{D12FCAAD-EE25-44CC-9E4A-07F67426A95B}";
inline constexpr char kPluginHelpTopic[] = "plugin_epostrel.html";

inline constexpr char kTempNameError[] = "Unable to get name of temporary file";
inline constexpr char kMapiSendError[] = "Error while executing MAPI function.";
// Execute without what the options page captures (it runs only after a
// successful SaveSettings of the page): nothing would be sent correctly.
inline constexpr char kNoRecipientError[] =
    "The e-mail has no recipient: the To field of the plugin's page is not resolved";
inline constexpr char kFileTypeError[] = "Unknown file type for the e-mail's attachment: ";

// Prefix and fixed number of the temporary name.
inline constexpr char kTempPrefix[] = "xgr";
inline constexpr UINT kTempUnique = 1;

// The temporary name the attachment takes, before its extension: always the
// same, in the system's temporary folder. Raises fw::Error with
// kTempNameError when there is none, or the folder's path does not fit.
std::string MakeTempImageName();

class TPixwellPostrelObject final
    : public fw::AutoObject<TPixwellPostrelObject, IPixwellPostrelObject, IPixwellPlugin> {
public:
    static const CLSID& ClassId() noexcept { return CLSID_PixwellPostrelObject; }

    // IPixwellPlugin
    HRESULT STDMETHODCALLTYPE GetPluginInfo(BSTR* Name, BSTR* Description, BSTR* OptionsObjectName,
                                            BSTR* HelpTopic, HRESULT* Result) override;
    HRESULT STDMETHODCALLTYPE Execute(IUnknown* ImageStream, LONG ParentWnd, HRESULT* Result) override;
};

} // namespace postrel
