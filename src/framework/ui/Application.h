// The application object: title, message loop, the default error handler,
// the screen cursor and process-wide settings. There is one, reached through
// App(); the first use prepares the process (DPI awareness, common
// controls) before any window exists.
#pragma once
#include "ui/Window.h"
#include <exception>
#include <functional>
#include <string>

namespace fw {

class Form;

class Application {
public:
    const std::string& Title() const noexcept { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }

    // Run() shows the main form unless this is false.
    bool showMainForm = true;

    // Runs the message loop until the main form closes (or Terminate).
    // Returns the exit code of the quit message.
    int Run(Form& mainForm);
    Form* MainForm() const noexcept { return mainForm_; }
    // Asks the message loop to end (posts the quit message).
    void Terminate();
    bool Terminated() const noexcept { return terminated_; }

    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    // Waits for one message and handles it; false when the quit message came.
    bool HandleMessage();
    // Routes one message: the target form's pre-translate hook and keyboard
    // handling first, then translation and dispatch.
    void ProcessMessage(MSG& msg);

    // The default error handler: call inside a catch block. Shows the
    // exception's text in an error box captioned with the title, or gives
    // it to the replacement handler. Never throws.
    void HandleException() noexcept;
    using ExceptionHandler = std::function<void(const std::string& message)>;
    // Replaces the message box (tests capture the text); returns the previous
    // handler. An empty handler restores the message box.
    ExceptionHandler SetExceptionHandler(ExceptionHandler handler);

    // The cursor shown over all of the program's windows; crDefault lets
    // each window show its own.
    Cursor ScreenCursor() const noexcept { return screenCursor_; }
    void SetScreenCursor(Cursor cursor);

    // Asks the system to take as many pages as it can out of the process's
    // working set.
    static void TrimWorkingSet() noexcept;

    // The text of the exception in flight (call inside a catch block).
    static std::string CurrentExceptionMessage();

private:
    friend Application& App();
    Application();

    std::string title_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    int exitCode_ = 0;
    ExceptionHandler exceptionHandler_;
    Cursor screenCursor_ = crDefault;
};

Application& App();

// A hidden window whose messages go to a handler on the UI thread (for
// notification-icon callbacks and timers). It is a top-level window (not
// message-only) so that a pop-up menu can use it as its owner; being hidden,
// modal loops leave it enabled.
class MessageWindow : public Window {
public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;
    explicit MessageWindow(Handler handler = {});
    void SetHandler(Handler handler) { handler_ = std::move(handler); }
    // Default processing, for a handler that wants it.
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return DefaultHandler(msg, wParam, lParam); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    Handler handler_;
};

} // namespace fw
