#include "com/ComError.h"

#include <exception>
#include <new>

#include "com/ComBStr.h"
#include "com/ComPtr.h"

namespace fw {

std::string TakeErrorInfoDescription()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) != S_OK || !info)
        return {};
    BStr description;
    if (FAILED(info->GetDescription(description.Put())))
        return {};
    return description.ToString();
}

void RaiseOleError(HRESULT hr)
{
    std::string text = TakeErrorInfoDescription();
    if (text.empty())
        text = SystemMessage(static_cast<DWORD>(hr));
    throw Error(text, hr);
}

HRESULT SetComError(std::string_view description, HRESULT code, const ErrorOrigin& origin) noexcept
{
    const HRESULT result = FAILED(code) ? code : E_FAIL;
    try {
        ComPtr<ICreateErrorInfo> create;
        if (FAILED(CreateErrorInfo(create.Put())))
            return result;
        create->SetDescription(const_cast<LPOLESTR>(AnsiToWide(description).c_str()));
        if (origin.source)
            create->SetSource(const_cast<LPOLESTR>(AnsiToWide(origin.source).c_str()));
        create->SetGUID(origin.iid ? *origin.iid : GUID_NULL);
        ComPtr<IErrorInfo> info = create.As<IErrorInfo>();
        SetErrorInfo(0, info.Get());
    } catch (...) {
        // No memory left for the text: the status alone still tells the caller.
    }
    return result;
}

HRESULT ReportCurrentException(const ErrorOrigin& origin) noexcept
{
    try {
        throw;
    } catch (const Error& e) {
        return SetComError(e.what(), e.code(), origin);
    } catch (const std::bad_alloc&) {
        return SetComError(kOutOfMemoryText, E_OUTOFMEMORY, origin);
    } catch (const std::exception& e) {
        return SetComError(e.what(), E_FAIL, origin);
    } catch (...) {
        return SetComError(kUnknownExceptionText, E_FAIL, origin);
    }
}

} // namespace fw
