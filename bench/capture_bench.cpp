// A capture at the screen's size, as the tray program runs it (run on a 4K
// virtual display: scripts/bench-capture). Each figure is printed beside a
// floor measured in the same run:
//  - a mouse move during a drag, for a small and a nearly full-screen
//    selection, against nothing (the cost is the frame's perimeter);
//  - the request a double-click makes up to the frozen screen shown, against
//    one BitBlt of the screen;
//  - the image stream of the screen-sized 32-bit picture, written from the
//    bitmap's own rows, against a copy of its bytes into fresh memory;
//  - the process's private bytes before the first capture and after five
//    capture, wizard, close cycles.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "com/ComInit.h"
#include "com/ComServer.h"
#include "common/ImageStream.h"
#include "gdi/Graphics.h"
#include "pluginhost/PixwellObjectUnit.h"
#include "shell/CaptureSurface.h"
#include "shell/PixwellWindow.h"
#include "ui/Application.h"
#include "wizard/AfterScreenShotWindowUnit.h"

namespace {

constexpr int kRuns = 15;

void Pump()
{
    fw::App().ProcessMessages();
}

// Closes the wizard from inside its modal loop.
void CALLBACK CloseWizard(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    if (AfterScreenShotWindow)
        AfterScreenShotWindow->Close();
}

void Mouse(TPixwellWnd& wnd, UINT message, int x, int y, WPARAM keys)
{
    SendMessageA(wnd.Image->Handle(), message, keys, MAKELPARAM(x, y));
}

} // namespace

int main()
{
    fw::ComInit ole(fw::ComInit::Kind::Ole);
    fw::App().SetTitle(kApplicationTitle);
    const auto catalogue = fw::ClassObjectRegistration::Register(kPixwellObjectClass);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::printf("screen %dx%d, median of %d runs\n", width, height, kRuns);

    auto wnd = fw::CreateForm<TPixwellWnd>();
    Pump();
    const double privateBefore = bench::CommittedMegabytes();

    // Request to frozen screen, against one BitBlt of the screen. The two
    // alternate, so that both meet the same state of the display server.
    fw::DibBitmap floorBitmap = fw::DibBitmap::ScreenCompatible(width, height);
    std::vector<double> blits, starts;
    for (int i = 0; i < kRuns; ++i) {
        double begin = bench::NowMs();
        TCaptureSurface::CopyPrimaryScreen(floorBitmap);
        GdiFlush();
        blits.push_back(bench::NowMs() - begin);
        begin = bench::NowMs();
        wnd->GetScreenshot1Click(); // shows the surface and paints it before it returns
        GdiFlush();
        starts.push_back(bench::NowMs() - begin);
        wnd->EndCapture();
        Pump();
    }
    floorBitmap.Clear();
    const double blit = bench::Median(blits);
    const double start = bench::Median(starts);
    std::printf("capture start to frozen screen %8.2f ms   one BitBlt of the screen %8.2f ms   ratio %.2f\n",
                start, blit, start / blit);

    // A mouse move during a drag, small and nearly full-screen selections.
    wnd->GetScreenshot1Click();
    Pump();
    const auto moveCost = [&](int selWidth, int selHeight) {
        Mouse(*wnd, WM_LBUTTONDOWN, 20, 20, MK_LBUTTON);
        int step = 0;
        const double ms = bench::MedianMs(101, [&] {
                ++step;
                Mouse(*wnd, WM_MOUSEMOVE, 20 + selWidth + (step & 1), 20 + selHeight + (step & 1), MK_LBUTTON);
                GdiFlush();
            });
        SendMessageA(wnd->Handle(), WM_CHAR, 27, 0); // Escape: the drag ends, no wizard
        Pump();
        wnd->GetScreenshot1Click();
        Pump();
        return ms;
    };
    const double small = moveCost(100, 100);
    const double large = moveCost(std::min(3800, width - 40), std::min(2100, height - 40));
    wnd->EndCapture();
    std::printf("mouse move, 100x100 selection  %8.3f ms   3800x2100 selection %8.3f ms   ratio %.2f\n", small,
                large, large / small);

    // The image stream from the bitmap's rows, against a copy into fresh memory.
    fw::DibBitmap picture(3840, 2160, img::PixelFormat::pf32bit);
    {
        std::uint8_t* bits = picture.Bits();
        const std::size_t size = picture.Stride() * static_cast<std::size_t>(picture.Height());
        for (std::size_t i = 0; i < size; ++i)
            bits[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    }
    volatile std::uint8_t sink = 0;
    const double stream = bench::MedianMs(kRuns, [&] {
        fw::ComPtr<IStream> s = pixwell::MakeImageStream(picture.View());
        std::uint8_t first = 0;
        s->Read(&first, 1, nullptr);
        sink = sink + first;
    });
    const std::size_t bytes = picture.Stride() * static_cast<std::size_t>(picture.Height());
    const double copy = bench::FreshCopyMs(kRuns, picture.Bits(), bytes);
    picture.Clear();
    std::printf("image stream of 3840x2160x32   %8.2f ms   copy into fresh memory %8.2f ms   ratio %.2f\n",
                stream, copy, stream / copy);

    // Memory after five capture, wizard, close cycles.
    for (int i = 0; i < 5; ++i) {
        wnd->GetScreenshot1Click();
        Pump();
        Mouse(*wnd, WM_LBUTTONDOWN, 10, 10, MK_LBUTTON);
        Mouse(*wnd, WM_MOUSEMOVE, width - 10, height - 10, MK_LBUTTON);
        SetTimer(nullptr, 0, 200, CloseWizard);
        Mouse(*wnd, WM_LBUTTONUP, width - 10, height - 10, 0);
        Pump();
    }
    const double privateAfter = bench::CommittedMegabytes();
    std::printf("private bytes before capture   %8.1f MB   after five cycles %8.1f MB   growth %+.1f MB\n",
                privateBefore, privateAfter, privateAfter - privateBefore);
    wnd.reset();
    return 0;
}
