// The four entry points of an in-process server library. A library exports
// them through its .def file, which makes the linker take this unit from the
// framework; a program never references them.
#include "com/InprocServer.h"

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    return fw::InprocServer::Instance().GetClassObject(clsid, iid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return fw::InprocServer::Instance().CanUnloadNow();
}

HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return fw::InprocServer::Instance().RegisterServer();
}

HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return fw::InprocServer::Instance().UnregisterServer();
}

} // extern "C"
