// The fake plug-in (fakeplugin.dll): a plug-in library for the host's tests.
// It is registered like a real plug-in (its DllRegisterServer creates the
// plug-in keys), records every call it receives in a log file, and gives the
// answers the tests configure in the registry.
//
// Classes (type library "fakeplugin"):
//   FakePluginObject  {EB6AA2D8-78D4-40E5-9FAD-5C8F2C962E60}, "Fake plugin"
//   FakePluginObject2 {6D2291F3-7EFD-4E1D-9296-FF92EB5A751E}, "Fake plugin 2"
//       plug-in objects (IPixwellPlugin + IFakePluginObject), each with its
//       plug-in key Software\Orvane\Pixwell\Plugins\{CLSID} (HKCU)
//   FakeOptions       {AEB2AD3E-D817-4709-92EA-85AD52351997}, ProgID
//       fakeplugin.FakeOptions: the options control of both (an ActiveForm
//       with IPixwellPluginOptions; an edit box and two buttons, in that tab
//       order)
// DllRegisterServer writes the COM entries and each plug-in key with its
// display name as default value; DllUnregisterServer deletes a subkey
// "Private" of each plug-in key (plug-in-private data, as the file-save
// plug-in's "Recent"), then the key with its values, then the COM entries.
//
// Knobs: values in the plug-in key of the plug-in class concerned, read at
// every call (the options control reads those of the plug-in object it got
// through SetPlugin; before that, and for its creation, FakePluginObject's).
// Method names: GetPluginInfo, Execute, SetPlugin, SaveSettings, Notify,
// OptionsCreate (creation of the options control).
//   <Method>Status     REG_DWORD  the status the method returns (default 0,
//                                 S_OK). A failure status sets the COM error
//                                 information to <Method>ErrorText and the
//                                 method does nothing else.
//   <Method>ErrorText  REG_SZ     that text (default "<Method> failed")
//   <Method>Result     REG_DWORD  the out-value Result of GetPluginInfo,
//                                 Execute and SaveSettings (default S_OK)
//   InfoName, InfoDescription, InfoOptions, InfoHelpTopic  REG_SZ
//       what GetPluginInfo returns instead of the class's display name,
//       "Records what the host asks of it", the FakeOptions CLSID and
//       "plugin_fake.html"
//
// Log: HKCU\Software\Orvane\FakePlugin, value LogFile (REG_SZ), names the
// file; without it %TEMP%\fakeplugin.log. One line is appended per event,
// the file being opened and closed each time:
//   <Object>#<n> <Event>[ <key>=<value>]*
// <Object> is FakePluginObject, FakePluginObject2 or FakeOptions, <n> the
// object's number among those of its class since the library was loaded.
// Numbers are decimal, statuses "0x" and 8 hexadecimal digits, texts in
// double quotes (with \" and \\ inside). Events:
//   Create / Destroy                  an object was made / released for good
//                                     (the control's Create: status= of OptionsCreate)
//   GetPluginInfo status= result=
//   Execute stream=IStream|none position= length= magic= bfSize= parent=
//           parentVisible=0|1 status= result=
//       (position and length of the stream when called; magic: the first
//       two bytes as text, bfSize: the file size field of the BMP header;
//       parent: the window handle in hexadecimal; the stream is left where
//       it was)
//   SetPlugin plugin=<Object>#<n>|none|foreign status=
//       (an object without IFakePluginObject is refused: E_NOINTERFACE)
//   SaveSettings focus=inside|outside text="<edit box text>" status= result=
//   Notify msg=<0|1> focus=inside|outside status=
// focus tells whether the keyboard focus was on the control at the call.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "base/Registry.h"

namespace fake {

inline constexpr char kLogKey[] = "Software\\Orvane\\FakePlugin";
inline constexpr char kLogFileValue[] = "LogFile";
inline constexpr char kDefaultLogName[] = "fakeplugin.log";

inline constexpr char kPluginName[] = "Fake plugin";
inline constexpr char kPlugin2Name[] = "Fake plugin 2";
inline constexpr char kPluginDescription[] = "Records what the host asks of it";
inline constexpr char kPluginHelpTopic[] = "plugin_fake.html";

// The log file's path, as configured.
std::string LogFilePath();
// Appends one line to the log.
void Log(const std::string& line);

std::string Quote(std::string_view text);
std::string StatusText(HRESULT hr);

// The knobs of one plug-in class (see above).
class Knobs {
public:
    explicit Knobs(const std::string& pluginKeyPath);

    HRESULT Status(const char* method) const noexcept;
    HRESULT Result(const char* method) const noexcept;
    std::string Text(const char* name, const std::string& fallback) const;

    // Raises the configured failure of `method`, if any.
    void ApplyStatus(const char* method) const;

private:
    fw::RegKey key_;
};

} // namespace fake
