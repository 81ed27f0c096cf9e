// The standard controls, created at pixel positions in their parent's client
// area: push button, label, link, check box, bevel, panel, single-line edit
// and the numeric spin edit.
#pragma once
#include "ui/Window.h"
#include <memory>
#include <string>
#include <vector>

namespace fw {

// Makes the window's font bold or regular; nothing changes when it already is.
void SetBold(Window& window, bool bold);

class Button : public Window {
public:
    Button(Window& parent, const Bounds& bounds, const std::string& caption = {});
    ~Button() override;

    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    // A non-zero modal result is given to the form when the button is pressed.
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result) noexcept { modalResult_ = result; }
    // Enter presses the form's default button, Escape its cancel button.
    bool Default() const noexcept;
    void SetDefault(bool on);
    bool Cancel() const noexcept;
    void SetCancel(bool on);

    // Presses the button: first the form's modal result, then OnClick.
    virtual void Click();
    NotifyEvent OnClick;

    // The thick frame of the default button (set by the form).
    void ShowAsDefault(bool on);

protected:
    bool HandleCommand(WORD code) override;

private:
    int modalResult_ = 0;
};

// Static text. Auto-sized labels take the size of their text; the background
// is the parent's colour (so labels sit cleanly on white header panels).
class Label : public Window {
public:
    // Auto-sized at (left, top).
    Label(Window& parent, int left, int top, const std::string& caption);
    // Fixed size; long text wraps at word boundaries.
    Label(Window& parent, const Bounds& bounds, const std::string& caption);
    ~Label() override;

    // Keeps this label on the line of `before` (a sibling), `gap` pixels
    // after its text, or at `minLeft` where that is further right, whenever
    // either text changes size: another caption, a font scaled for the
    // display. Set while the form is laid out for 96 DPI: gap and minLeft
    // scale with it. A label never follows itself, directly or round a chain.
    void Follow(Label& before, int gap, int minLeft = 0);
    // The label this one follows, or null.
    const Label* Before() const noexcept { return before_; }

    std::string Caption() const { return Text(); }
    void SetCaption(const std::string& caption);
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool on);
    void SetBold(bool on);

    NotifyEvent OnClick;

protected:
    bool HandleCommand(WORD code) override;
    HBRUSH HandleCtlColor(HDC dc) override { return ParentBackgroundCtlColor(dc); }
    void FontChanged() override { AdjustSize(); }
    void ScaleControl(int m, int d) override;
    void AdjustSize();

private:
    // Puts this label after the one it follows, then its own followers
    // after it.
    void PlaceAfterBefore();
    void Unfollow() noexcept;

    bool autoSize_ = true;
    bool wordWrap_ = false;
    Label* before_ = nullptr;
    std::vector<Label*> followers_;
    int gap_ = 0;
    int minLeft_ = 0;
};

// A label that looks and acts like a web link: blue, underlined, hand cursor.
class LinkLabel : public Label {
public:
    LinkLabel(Window& parent, int left, int top, const std::string& caption);
};

class CheckBox : public Window {
public:
    CheckBox(Window& parent, const Bounds& bounds, const std::string& caption);

    bool Checked() const;
    void SetChecked(bool checked);
    NotifyEvent OnClick;

protected:
    bool HandleCommand(WORD code) override;
    HBRUSH HandleCtlColor(HDC dc) override { return ParentBackgroundCtlColor(dc); }
};

enum class BevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine };
enum class BevelStyle { bsLowered, bsRaised };

// Etched lines and frames. Only the lines themselves belong to the window,
// so a frame never hides the controls inside it or takes their clicks.
class Bevel : public Window {
public:
    Bevel(Window& parent, const Bounds& bounds, BevelShape shape = BevelShape::bsBox,
          BevelStyle style = BevelStyle::bsLowered);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& area) override;
    void Resized() override;

private:
    BevelShape shape_;
    BevelStyle style_;
};

enum class PanelBevel { pbNone, pbLowered, pbRaised };

// A container with its own background colour and an optional raised or
// lowered edge, outer and inner; its caption, if any, is drawn centred.
class Panel : public Window {
public:
    Panel(Window& parent, const Bounds& bounds, const std::string& caption = {});

    void SetBevelOuter(PanelBevel bevel);
    PanelBevel BevelOuter() const noexcept { return bevel_; }
    void SetBevelInner(PanelBevel bevel);
    PanelBevel BevelInner() const noexcept { return innerBevel_; }
    // Follows the parent's background instead of its own colour.
    void UseParentColor();

protected:
    void Paint(HDC dc, const RECT& area) override;

private:
    PanelBevel bevel_ = PanelBevel::pbRaised;
    PanelBevel innerBevel_ = PanelBevel::pbNone;
};

class Edit : public Window {
public:
    Edit(Window& parent, const Bounds& bounds, const std::string& text = {});

    // The sunken 3-D border (on by default); off gives a flat box.
    void SetBorder(bool on);
    void SetMaxLength(int length);
    void SetReadOnly(bool on);
    bool ReadOnly() const;
    void SelectAll();

    NotifyEvent OnChange;

protected:
    bool HandleCommand(WORD code) override;
};

// A numeric edit with up and down buttons. Typed characters other than the
// digits, "+", "-" and the decimal separator are refused with a beep; the
// value is the text read as an integer (0 when it is not one); minimum and
// maximum both 0 means no bounds.
class SpinEdit : public Edit {
public:
    SpinEdit(Window& parent, const Bounds& bounds);
    ~SpinEdit() override;

    int Value() const;
    void SetValue(int value);
    int MinValue() const noexcept { return minValue_; }
    int MaxValue() const noexcept { return maxValue_; }
    void SetMinValue(int value);
    void SetMaxValue(int value);
    int Increment() const noexcept { return increment_; }
    void SetIncrement(int step) noexcept { increment_ = step; }

    // Whether a typed character may go into the box.
    static bool IsValidChar(char key);
    // The text as an integer; 0 for anything that is not exactly one.
    static int ParseValue(const std::string& text);

    // One step up or down, as the buttons and arrow keys do.
    void StepUp() { Step(increment_); }
    void StepDown() { Step(-increment_); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Resized() override;

private:
    class UpDown;
    int Clamp(long long value) const;
    void Step(int delta);
    void PlaceButtons();

    std::unique_ptr<UpDown> buttons_;
    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
};

} // namespace fw
