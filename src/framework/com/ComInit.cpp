#include "com/ComInit.h"

#include <ole2.h>

#include "com/ComError.h"

namespace fw {

ComInit::ComInit(Kind kind) : kind_(kind)
{
    // S_FALSE (already initialised on this thread) still needs its matching
    // uninitialise; only a failure must not be balanced.
    OleCheck(kind == Kind::Ole ? OleInitialize(nullptr)
                               : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ComInit::~ComInit()
{
    if (kind_ == Kind::Ole)
        OleUninitialize();
    else
        CoUninitialize();
}

} // namespace fw
