// What the options page hands to the plug-in object for the send: one set of
// values per loaded library, written by the page (its settings load, the
// JPEG dialog, recipient resolution and SaveSettings) and read by the
// object's Execute. The host shows one page at a time and runs the plug-in on
// the same thread, so nothing here needs a lock.
#pragma once
#include <windows.h>
#include <mapi.h>

#include <optional>
#include <string>

#include "postrel/SimpleMapi.h"
#include "com/ComServer.h"

namespace postrel {

// A recipient slot: the mail client's buffer holding a resolved recipient,
// of which the first entry counts. Taking a new buffer or clearing releases
// the one held before. While it holds one, the library stays loaded
// (DllCanUnloadNow says no), so that the next page can release it.
class RecipientSlot {
public:
    // The first entry, or null when the slot is empty.
    MapiRecipDesc* Entry() const noexcept { return static_cast<MapiRecipDesc*>(buffer_.Get()); }
    explicit operator bool() const noexcept { return static_cast<bool>(buffer_); }

    void Take(MapiBuffer buffer) noexcept;
    void Clear() noexcept;
    // Hands the buffer over and leaves the slot empty.
    MapiBuffer Release() noexcept;

private:
    MapiBuffer buffer_;
    std::optional<fw::ServedObjectLock> keepLoaded_;
};

struct MailSendState {
    RecipientSlot ToRecipient;
    RecipientSlot CcRecipient;
    bool Grayscale = false;
    bool Smoothing = false;
    long Compression = 0; // JPEG quality in per cent
    long FileType = 0;    // 0 BMP, 1 JPG
    std::string Subject;
    std::string NoteText; // the message text with the footer
    bool PreviewLetter = false;
};

// The library's one state, empty when the library is loaded.
MailSendState& SendState() noexcept;

} // namespace postrel
