// When COM started the program, it ends by itself once the last object it
// served has been released, but never in the middle of the user's work: the
// end waits until no capture covers the screen and no modal window opened
// from the icon (wizard, dialog, message box) is open. The same count of
// modal windows tells the icon to start nothing new meanwhile.
#pragma once
#include <functional>

class TServerShutdown {
public:
    // `captureShowing` tells whether a capture covers the screen now; `end`
    // ends the program (it asks the main window to close).
    TServerShutdown(std::function<bool()> captureShowing, std::function<void()> end);

    // Counts one modal window for as long as it lives; when the last one
    // goes, the program ends if its end is due.
    class TModalWindowScope {
    public:
        explicit TModalWindowScope(TServerShutdown& owner) noexcept;
        ~TModalWindowScope();
        TModalWindowScope(const TModalWindowScope&) = delete;
        TModalWindowScope& operator=(const TModalWindowScope&) = delete;

    private:
        TServerShutdown& owner_;
    };
    [[nodiscard]] TModalWindowScope ModalWindow() noexcept { return TModalWindowScope(*this); }

    // A capture covers the screen or a modal window opened from the icon is
    // open.
    bool Busy() const;

    // The COM server support reports that clients released the last object
    // the program served: the program ends as soon as it is idle.
    void LastServedObjectReleased();
    // Something that kept the program busy has ended (a capture, a modal
    // window): the program ends now if its end is due and nothing else
    // holds it.
    void BecameIdle();

private:
    std::function<bool()> captureShowing_;
    std::function<void()> end_;
    int modalWindows_ = 0;
    bool endWhenIdle_ = false;
};
