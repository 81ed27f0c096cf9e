// Identifiers, registry paths and value names shared by vistrel, stowick and
// postrel. Third-party plug-ins rely on these exact values.
#pragma once

namespace pixwell {

// Registry, all under HKEY_CURRENT_USER.
inline constexpr char kGeneralKey[] = "Software\\Orvane\\Pixwell";
inline constexpr char kPluginsKey[] = "Software\\Orvane\\Pixwell\\Plugins";
inline constexpr char kAutoRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kAutoRunValue[] = "Pixwell";

// General settings values and their defaults.
inline constexpr char kQuickModeValue[] = "QuickMode";
inline constexpr char kMaxHistoryStepsValue[] = "MaxHistorySteps";
inline constexpr char kLeaveInClipboardValue[] = "LeaveInClipboard";
inline constexpr unsigned long kQuickModeDefault = 0;
inline constexpr long kMaxHistoryStepsDefault = 10;
inline constexpr unsigned long kLeaveInClipboardDefault = 0;

// Registry string forms of the class identifiers (upper case, with braces).
inline constexpr char kPixwellObjectClsid[] = "{BA7BB915-AEF5-4FCA-B5FF-A9F33863D5CB}";
inline constexpr char kPixwellLibId[] = "{12F5A7BC-5805-4F7A-B708-92CC3AA43EAD}";
inline constexpr char kStowickObjectClsid[] = "{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}";
inline constexpr char kStowickOptionsClsid[] = "{C0D661E2-A7D1-4B68-8057-AB09E3A4B532}";
inline constexpr char kPostrelObjectClsid[] = "{7725CB74-418B-4D66-A48E-453CDD089DE2}";
inline constexpr char kPostrelOptionsClsid[] = "{D12FCAAD-EE25-44CC-9E4A-07F67426A95B}";

// The file-save plug-in's key, which the e-mail plug-in shares for its settings.
inline constexpr char kStowickPluginKey[] =
    "Software\\Orvane\\Pixwell\\Plugins\\{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}";
inline constexpr char kPostrelPluginKey[] =
    "Software\\Orvane\\Pixwell\\Plugins\\{7725CB74-418B-4D66-A48E-453CDD089DE2}";

// The product's web page, named in the footer of every e-mail sent.
inline constexpr char kProductWebPage[] = "https://vistrel.org";

// Files.
inline constexpr char kHelpFileName[] = "vistrel.chm";
inline constexpr char kCheckedPluginsFileName[] = "CheckedPlugins.lst";
inline constexpr char kHostFileName[] = "vistrel.exe";

// The product's web site: the wizard's report page and the about box link to
// its plug-ins page; the about box shows the bare host name.
inline constexpr char kProductWebAddress[] = "https://vistrel.org/plugins";
inline constexpr char kProductWebHost[] = "vistrel.org";

// The notification icon's callback message.
inline constexpr unsigned kTrayCallbackMessage = 45140;

} // namespace pixwell
