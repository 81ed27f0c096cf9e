#include "shell/ServerShutdown.h"

#include <utility>

#include "com/ComServer.h"

TServerShutdown::TServerShutdown(std::function<bool()> captureShowing, std::function<void()> end)
    : captureShowing_(std::move(captureShowing)), end_(std::move(end))
{
}

TServerShutdown::TModalWindowScope::TModalWindowScope(TServerShutdown& owner) noexcept : owner_(owner)
{
    ++owner_.modalWindows_;
}

TServerShutdown::TModalWindowScope::~TModalWindowScope()
{
    if (--owner_.modalWindows_ == 0)
        owner_.BecameIdle();
}

bool TServerShutdown::Busy() const
{
    return modalWindows_ > 0 || (captureShowing_ && captureShowing_());
}

void TServerShutdown::LastServedObjectReleased()
{
    // Ending in the middle of a capture or with a wizard open would throw the
    // user's work away: the end waits until the program is idle again.
    endWhenIdle_ = true;
    BecameIdle();
}

void TServerShutdown::BecameIdle()
{
    // A client may have come back meanwhile; its release will ask again.
    if (!endWhenIdle_ || Busy() || fw::ServedObjectsOutstanding())
        return;
    endWhenIdle_ = false;
    if (end_)
        end_();
}
