// The program: a local COM server for the plug-in catalogue and the tray
// window. With "/regserver" or "/unregserver" it only writes or removes its
// registration and ends.
#include <windows.h>

#include <array>

#include "pluginhost/PixwellObjectUnit.h"
#include "shell/PixwellWindow.h"
#include "ui/Application.h"
#include "com/ComInit.h"
#include "com/ComServer.h"
#include "ui/Dialogs.h"
#include "portable/ServerSwitches.h"

namespace {

constexpr int kExitFailure = 1;

const std::array<fw::ComClassEntry, 1> kServedClasses{kPixwellObjectClass};

int Run()
{
    // Hosting plug-in controls and the clipboard need OLE, not only COM.
    fw::ComInit ole(fw::ComInit::Kind::Ole);

    fw::ComServer server(kPixwellTypeLib, kServedClasses,
                         portable::ParseServerSwitches(fw::CommandLineArguments()));
    if (!server.Initialize())
        return 0; // registration only

    fw::Application& app = fw::App();
    app.SetTitle(kApplicationTitle);
    app.showMainForm = false;

    auto mainForm = fw::CreateForm<TPixwellWnd>();
    server.EndWhenLastObjectReleased([form = mainForm.get()] { form->LastServedObjectReleased(); });
    const int exitCode = app.Run(*mainForm);
    // The window and its icon go before the class objects are withdrawn; no
    // late release may reach the window on its way out.
    fw::SetLastServedObjectReleasedHandler({});
    mainForm.reset();
    return exitCode;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        return Run();
    } catch (...) {
        // Registration asked for on the command line failed, or COM could
        // not be set up: say so, and tell the caller through the exit code.
        fw::MessageBox(fw::Application::CurrentExceptionMessage(), kApplicationTitle, MB_OK | MB_ICONERROR);
        return kExitFailure;
    }
}
