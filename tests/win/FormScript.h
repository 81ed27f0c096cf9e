// Drives a modal form from inside its own modal loop: the steps of a test
// run on the ticks of a message-loop timer, each once its condition holds.
#pragma once
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/Timer.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>

namespace form_test {

// On each tick of a 1 ms message-loop timer the first step runs if its
// condition holds. A form still open long after its last step, or a step
// that never gets ready, is a failure and the form is closed, so a broken
// flow can't hang the test.
class FormScript {
public:
    explicit FormScript(fw::Form& form) : form_(form)
    {
        timer_.OnTimer = [this] { Tick(); };
    }
    virtual ~FormScript() = default;
    FormScript(const FormScript&) = delete;
    FormScript& operator=(const FormScript&) = delete;

    FormScript& When(std::function<bool()> ready, std::function<void()> action)
    {
        steps_.push_back({std::move(ready), std::move(action)});
        return *this;
    }
    // A step for as soon as the form shows.
    FormScript& Then(std::function<void()> action)
    {
        return When([this] { return form_.Visible(); }, std::move(action));
    }
    bool Finished() const { return steps_.empty() && ran_ > 0; }

protected:
    // Where the form stands, for the failure message.
    virtual std::string Where() const { return {}; }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> action;
    };
    void Tick()
    {
        if (!steps_.empty() && steps_.front().ready()) {
            auto action = std::move(steps_.front().action);
            steps_.pop_front();
            ++ran_;
            action();
        } else if (GetTickCount64() > deadline_) {
            ADD_FAILURE() << (steps_.empty() ? "the form stayed open" : "a step never got ready")
                          << " after step " << ran_ << Where();
            steps_.clear();
            deadline_ = UINT64_MAX;
            form_.Close();
        }
    }

    fw::Form& form_;
    std::deque<Step> steps_;
    int ran_ = 0;
    ULONGLONG deadline_ = GetTickCount64() + 20000;
    fw::Timer timer_{1};
};

// The visible message box (or other dialog-class window) of this thread, or
// null.
inline HWND ThreadDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            char name[16] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (!IsWindowVisible(hwnd) || std::string(name) != "#32770")
                return TRUE;
            *reinterpret_cast<HWND*>(param) = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The text of a message box (its static control's).
inline std::string MessageBoxText(HWND box)
{
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

// Presses a button as a click does; it must be there to be pressed.
inline void Press(fw::Button& button)
{
    EXPECT_TRUE(button.Visible() && button.Enabled()) << button.Caption();
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
}

} // namespace form_test
