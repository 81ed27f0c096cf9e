// A message-loop timer: OnTimer runs on the UI thread from the message loop
// (modal loops included), never from another thread.
#pragma once
#include "ui/Application.h"

namespace fw {

class Timer {
public:
    explicit Timer(unsigned interval = 1000, bool enabled = true);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    unsigned Interval() const noexcept { return interval_; }
    void SetInterval(unsigned milliseconds);
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool on);

    // A tick that arrives while the previous one is still being handled (a
    // message box in the handler pumps messages) is skipped.
    NotifyEvent OnTimer;

private:
    void Update();
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

    MessageWindow window_;
    unsigned interval_;
    bool enabled_;
    bool running_ = false;
};

} // namespace fw
