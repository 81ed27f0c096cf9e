// Initialises COM (or OLE, which drag-and-drop, the clipboard and in-place
// activation need) on the current thread for the lifetime of the object.
#pragma once
#include <windows.h>
#include <objbase.h>

namespace fw {

class ComInit {
public:
    enum class Kind { Com, Ole };

    // Apartment-threaded; raises fw::Error when the thread cannot join.
    explicit ComInit(Kind kind = Kind::Com);
    ~ComInit();
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

private:
    Kind kind_;
};

} // namespace fw
