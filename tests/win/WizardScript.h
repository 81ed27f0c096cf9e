// Drives a wizard from inside its own modal loop, for the wizard's tests.
#pragma once
#include "wizard/AfterScreenShotWindowUnit.h"
#include "ui/Controls.h"
#include "ui/Timer.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>

namespace wizard_test {

// Steps run inside the wizard's modal loop: on each tick of a 1 ms
// message-loop timer the first step runs if its condition holds. A wizard
// still open long after its last step, or a step that never gets ready, is a
// failure and the wizard is closed, so a broken flow can't hang the test.
class Script {
public:
    explicit Script(TAfterScreenShotWindow& wizard) : wizard_(wizard)
    {
        timer_.OnTimer = [this] { Tick(); };
    }
    Script& When(std::function<bool()> ready, std::function<void()> action)
    {
        steps_.push_back({std::move(ready), std::move(action)});
        return *this;
    }
    Script& OnPage(int page, std::function<void()> action)
    {
        return When([this, page] { return wizard_.Visible() && wizard_.Notebook->PageIndex() == page; },
                    std::move(action));
    }
    bool Finished() const { return steps_.empty() && ran_ > 0; }

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
            ADD_FAILURE() << (steps_.empty() ? "the wizard stayed open" : "a step never got ready")
                          << " after step " << ran_ << ", page " << wizard_.Notebook->PageIndex();
            steps_.clear();
            deadline_ = UINT64_MAX;
            wizard_.Close();
        }
    }

    TAfterScreenShotWindow& wizard_;
    std::deque<Step> steps_;
    int ran_ = 0;
    ULONGLONG deadline_ = GetTickCount64() + 20000;
    fw::Timer timer_{1};
};

// Presses a button as a click does; it must be there to be pressed.
inline void Press(fw::Button& button)
{
    EXPECT_TRUE(button.Visible() && button.Enabled()) << button.Caption();
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
}

} // namespace wizard_test
