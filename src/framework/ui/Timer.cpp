#include "ui/Timer.h"

namespace fw {

namespace {
constexpr UINT_PTR kTimerId = 1;
} // namespace

Timer::Timer(unsigned interval, bool enabled) : interval_(interval), enabled_(enabled)
{
    window_.SetHandler([this](UINT msg, WPARAM wParam, LPARAM lParam) { return Handle(msg, wParam, lParam); });
    Update();
}

Timer::~Timer()
{
    if (window_.Handle())
        KillTimer(window_.Handle(), kTimerId);
}

void Timer::SetInterval(unsigned milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    Update();
}

void Timer::SetEnabled(bool on)
{
    if (on == enabled_)
        return;
    enabled_ = on;
    Update();
}

void Timer::Update()
{
    KillTimer(window_.Handle(), kTimerId);
    if (enabled_ && interval_ > 0)
        SetTimer(window_.Handle(), kTimerId, interval_, nullptr);
}

LRESULT Timer::Handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_TIMER)
        return window_.Default(msg, wParam, lParam);
    if (wParam != kTimerId || !enabled_ || running_ || !OnTimer)
        return 0;
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(running_);
    OnTimer();
    return 0;
}

} // namespace fw
