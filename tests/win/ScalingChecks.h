// Checks of a form laid out at another display scale than its design: the
// tests compare it with a twin at 96 DPI and measure its texts.
#pragma once
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scaling_checks {

// The display the scaling tests run on (see scripts/lib/wine-env.sh).
constexpr int kDpi = 144;

inline std::string ClassOf(HWND hwnd)
{
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

inline std::string Describe(fw::Window& w)
{
    return ClassOf(w.Handle()) + " \"" + w.Text() + "\"";
}

inline void Collect(fw::Window& window, std::vector<fw::Window*>& out)
{
    for (fw::Window* child : window.Children()) {
        out.push_back(child);
        Collect(*child, out);
    }
}

inline std::vector<fw::Window*> Descendants(fw::Window& root)
{
    std::vector<fw::Window*> all;
    Collect(root, all);
    return all;
}

inline bool IsAutoSizedLabel(fw::Window& w)
{
    auto* label = dynamic_cast<fw::Label*>(&w);
    return label && label->AutoSize();
}

inline bool IsComboBox(fw::Window& w)
{
    return ClassOf(w.Handle()) == "ComboBox";
}

// Where every window below `root` is, in order.
inline std::vector<fw::Bounds> Layout(fw::Window& root)
{
    std::vector<fw::Bounds> bounds;
    for (fw::Window* w : Descendants(root))
        bounds.push_back(w->GetBounds());
    return bounds;
}

// Every window below `scaled` at m/d of its place in `design` (a twin's
// layout, in the same order), within a pixel on each edge; labels that take
// their text's size by one edge of each axis, a text that continues
// another by not covering it; a closed combo box's height comes from its
// font.

inline void ExpectProportional(const std::vector<fw::Bounds>& design, fw::Window& scaled, int m, int d)
{
    const std::vector<fw::Window*> b = Descendants(scaled);
    ASSERT_EQ(design.size(), b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        // A spin edit places its buttons at the system's scroll bar width
        // for the display, whatever the design.
        if (ClassOf(b[i]->Handle()) == UPDOWN_CLASSA)
            continue;
        if (!b[i]->Scaled()) {
            EXPECT_EQ(b[i]->GetBounds(), design[i]) << Describe(*b[i]) << " is not to be scaled";
            continue;
        }
        const fw::Bounds want = fw::ScaledBounds(design[i], m, d), got = b[i]->GetBounds();
        const std::string what = Describe(*b[i]);
        // A text that continues another on its line starts after it,
        // wherever the larger font ends it.
        auto* label = dynamic_cast<fw::Label*>(b[i]);
        if (const fw::Label* before = label ? label->Before() : nullptr) {
            EXPECT_GT(got.left, before->Left() + before->Width()) << what << " covers the text before it";
            EXPECT_NEAR(got.top, want.top, 1) << what;
            continue;
        }
        // A label that takes its text's size keeps one edge of each axis
        // where the layout puts it: the near one, or the far one it is
        // anchored to.
        if (IsAutoSizedLabel(*b[i])) {
            const auto within1 = [](int a, int c) { return a - c <= 1 && c - a <= 1; };
            EXPECT_TRUE(within1(got.left, want.left) || within1(got.left + got.width, want.left + want.width)) << what;
            EXPECT_TRUE(within1(got.top, want.top) || within1(got.top + got.height, want.top + want.height)) << what;
            continue;
        }
        EXPECT_NEAR(got.left, want.left, 1) << what;
        EXPECT_NEAR(got.top, want.top, 1) << what;
        EXPECT_NEAR(got.width, want.width, 1) << what;
        if (!IsComboBox(*b[i])) {
            EXPECT_NEAR(got.height, want.height, 1) << what;
        }
    }
}

// The text of every button, check box and label fits its control, drawn in
// the control's own font (a check box leaves room for its box).
inline void ExpectTextsFit(fw::Window& root, int dpi = kDpi)
{
    for (fw::Window* w : Descendants(root)) {
        const std::string cls = ClassOf(w->Handle()), text = w->Text();
        if (text.empty() || (cls != "Button" && cls != "Static"))
            continue;
        const LONG style = GetWindowLongA(w->Handle(), GWL_STYLE);
        const bool checkBox = cls == "Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        RECT client{};
        GetClientRect(w->Handle(), &client);
        HDC dc = GetDC(w->Handle());
        HGDIOBJ old = SelectObject(dc, w->FontHandle());
        const int room = client.right - (checkBox ? fw::ScaleToDpi(18, dpi) : cls == "Button" ? 4 : 0);
        RECT need{0, 0, room, 0};
        const bool wraps = cls == "Static" && !IsAutoSizedLabel(*w);
        DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(w->Handle(), dc);
        EXPECT_LE(need.right, room) << Describe(*w) << " is wider than its control";
        EXPECT_LE(need.bottom, client.bottom) << Describe(*w) << " is taller than its control";
    }
}

// A plug-in's page made at the display's `dpi`: its 8-point font (written
// for 96 DPI) scaled once, its texts fitting, every control at dpi/96 of
// where the same page puts it when scaled back to 96 DPI (which finds a
// control left unscaled; the caller checks the page's own size).
inline void ExpectPageScaled(fw::Form& page, int dpi)
{
    EXPECT_EQ(page.PixelsPerInch(), dpi);
    EXPECT_EQ(page.Font().height, fw::ScaleToDpi(-11, dpi));
    ExpectTextsFit(page, dpi);
    page.ScaleForDpi(fw::kDesignDpi);
    const std::vector<fw::Bounds> design = Layout(page);
    page.ScaleForDpi(dpi);
    ExpectProportional(design, page, dpi, fw::kDesignDpi);
}

} // namespace scaling_checks
