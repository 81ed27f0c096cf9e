#include "postrel/MailSendState.h"

#include <utility>

namespace postrel {

void RecipientSlot::Take(MapiBuffer buffer) noexcept
{
    buffer_ = std::move(buffer);
    if (buffer_ && !keepLoaded_)
        keepLoaded_.emplace();
    else if (!buffer_)
        keepLoaded_.reset();
}

void RecipientSlot::Clear() noexcept
{
    Take(MapiBuffer());
}

MapiBuffer RecipientSlot::Release() noexcept
{
    MapiBuffer buffer = std::move(buffer_);
    keepLoaded_.reset();
    return buffer;
}

MailSendState& SendState() noexcept
{
    // Never destroyed: at the end of the process the mail client's library
    // may already be gone, and a buffer still held must not be handed back
    // to it then. Until then every buffer is released through its slot.
    static MailSendState* const state = new MailSendState;
    return *state;
}

} // namespace postrel
