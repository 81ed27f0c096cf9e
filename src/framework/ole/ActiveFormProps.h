// The 35 standard property accessors of an ActiveForm's dual interface
// (ActiveFormProps.idl), acting on the form: the half of the control's
// interface that every ActiveForm has in common.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <utility>

#include "base/Text.h"
#include "com/AutoObject.h"
#include "com/ComBStr.h"
#include "ui/Window.h"

namespace fw {

// Values of the standard properties' enumerations (ActiveFormTypes.idl).
enum class AxBorderStyle : int { afbNone = 0, afbSingle = 1, afbSunken = 2, afbRaised = 3 };
enum class PrintScale : int { poNone = 0, poProportional = 1, poPrintToFit = 2 };

namespace detail {

// The parameter type of a one-argument interface method (a generated
// library's own enumeration types, without naming them).
template <class M>
struct ArgumentOf;
template <class C, class A>
struct ArgumentOf<HRESULT (STDMETHODCALLTYPE C::*)(A)> {
    using type = A;
};

} // namespace detail

// ControlItf's IDispatch and standard properties for the form `Derived`
// (an ActiveFormBase).
template <class Derived, class ControlItf>
class ActiveFormProperties : public DispatchImpl<ControlItf> {
    using BorderStyleType = typename detail::ArgumentOf<decltype(&ControlItf::put_AxBorderStyle)>::type;
    using PrintScaleType = typename detail::ArgumentOf<decltype(&ControlItf::put_PrintScale)>::type;

public:
    HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().Visible()); });
    }
    HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override
    {
        return Put([&] { Self().SetVisible(value != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().autoScroll); });
    }
    HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL value) override
    {
        return Put([&] { Self().autoScroll = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().autoSize); });
    }
    HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL value) override
    {
        return Put([&] { Self().autoSize = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_AxBorderStyle(BorderStyleType* value) override
    {
        return Get(value, [&] { return static_cast<BorderStyleType>(Self().GetAxBorderStyle()); });
    }
    HRESULT STDMETHODCALLTYPE put_AxBorderStyle(BorderStyleType value) override
    {
        return Put([&]() -> HRESULT {
            const int v = static_cast<int>(value);
            if (v < 0 || v > static_cast<int>(AxBorderStyle::afbRaised))
                return E_INVALIDARG;
            Self().SetAxBorderStyle(static_cast<AxBorderStyle>(v));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override
    {
        return Get(value, [&] { return BStr(Self().Caption()).Detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override
    {
        return Put([&] { Self().SetCaption(WideToAnsi(value ? value : L"")); });
    }
    HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* value) override
    {
        return Get(value, [&] { return static_cast<OLE_COLOR>(Self().GetColor()); });
    }
    HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR value) override
    {
        return Put([&] { Self().SetColor(static_cast<Color>(value)); });
    }
    HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** value) override
    {
        return Get(value, [&] { return Self().FontObject().Detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_Font(IFontDisp* value) override
    {
        return Put([&] { Self().SetFontObject(value); });
    }
    HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* value) override
    {
        return Put([&] { Self().SetFontObject(value); });
    }
    HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().KeyPreview()); });
    }
    HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL value) override
    {
        return Put([&] { Self().SetKeyPreview(value != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_PixelsPerInch(LONG* value) override
    {
        return Get(value, [&] { return static_cast<LONG>(Self().PixelsPerInch()); });
    }
    HRESULT STDMETHODCALLTYPE put_PixelsPerInch(LONG value) override
    {
        return Put([&]() -> HRESULT {
            // The layout's DPI: the form scales to it, within what displays
            // have; a form that is not scaled keeps its pixels.
            if (value < 48 || value > 960)
                return E_INVALIDARG;
            if (!Self().Scaled())
                return E_FAIL;
            Self().ScaleForDpi(static_cast<int>(value));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_PrintScale(PrintScaleType* value) override
    {
        return Get(value, [&] { return static_cast<PrintScaleType>(Self().printScale); });
    }
    HRESULT STDMETHODCALLTYPE put_PrintScale(PrintScaleType value) override
    {
        return Put([&]() -> HRESULT {
            const int v = static_cast<int>(value);
            if (v < 0 || v > static_cast<int>(PrintScale::poPrintToFit))
                return E_INVALIDARG;
            Self().printScale = static_cast<PrintScale>(v);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().scaled); });
    }
    HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL value) override
    {
        return Put([&] { Self().scaled = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().HasFocus()); });
    }
    HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().dropTarget); });
    }
    HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL value) override
    {
        return Put([&] { Self().dropTarget = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* value) override
    {
        return Get(value, [&] { return BStr(Self().helpFile).Detach(); });
    }
    HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR value) override
    {
        return Put([&] { Self().helpFile = WideToAnsi(value ? value : L""); });
    }
    HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().doubleBuffered); });
    }
    HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL value) override
    {
        return Put([&] { Self().doubleBuffered = value != VARIANT_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(LONG* value) override
    {
        // Nothing docks into an ActiveForm.
        return Get(value, [] { return LONG{0}; });
    }
    HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override
    {
        return Get(value, [&] { return Bool(Self().Enabled()); });
    }
    HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override
    {
        return Put([&] { Self().SetEnabled(value != VARIANT_FALSE); });
    }
    HRESULT STDMETHODCALLTYPE get_Cursor(SHORT* value) override
    {
        return Get(value, [&] { return static_cast<SHORT>(Self().GetCursor()); });
    }
    HRESULT STDMETHODCALLTYPE put_Cursor(SHORT value) override
    {
        return Put([&] { Self().SetCursor(static_cast<Cursor>(value)); });
    }

private:
    Derived& Self() noexcept { return static_cast<Derived&>(*this); }

    static VARIANT_BOOL Bool(bool on) noexcept { return on ? VARIANT_TRUE : VARIANT_FALSE; }

    template <class T, class Fn>
    HRESULT Get(T* out, Fn&& read) noexcept
    {
        if (!out)
            return E_POINTER;
        return Self().Method(__uuidof(ControlItf), [&] { *out = read(); });
    }
    template <class Fn>
    HRESULT Put(Fn&& write) noexcept
    {
        return Self().Method(__uuidof(ControlItf), std::forward<Fn>(write));
    }
};

} // namespace fw
