#include "com/ComGuid.h"

#include <objbase.h>
#include <cstdio>
#include <memory>

#include "com/ComBStr.h"
#include "com/ComError.h"

namespace fw {
namespace {

int HexDigit(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at `pos`.
bool ReadHex(std::string_view text, size_t pos, int digits, unsigned long long& value) noexcept
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(text[pos + static_cast<size_t>(i)]);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<unsigned>(d);
    }
    return true;
}

std::string InvalidGuidMessage(std::string_view text)
{
    text = text.substr(0, text.find('\0')); // the message is a C string
    const std::string_view format = kInvalidGuidText;
    const size_t at = format.find("%s");
    std::string message;
    message.reserve(format.size() + text.size());
    message.append(format.substr(0, at)).append(text).append(format.substr(at + 2));
    return message;
}

} // namespace

std::string GUIDToString(const GUID& g)
{
    char buf[39];
    std::snprintf(buf, sizeof buf, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool ParseGuidText(std::string_view t, GUID& result) noexcept
{
    if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' ||
        t[19] != '-' || t[24] != '-')
        return false;
    unsigned long long v = 0;
    GUID g{};
    if (!ReadHex(t, 1, 8, v))
        return false;
    g.Data1 = static_cast<unsigned long>(v);
    if (!ReadHex(t, 10, 4, v))
        return false;
    g.Data2 = static_cast<unsigned short>(v);
    if (!ReadHex(t, 15, 4, v))
        return false;
    g.Data3 = static_cast<unsigned short>(v);
    static constexpr size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(t, kBytePos[i], 2, v))
            return false;
        g.Data4[i] = static_cast<unsigned char>(v);
    }
    result = g;
    return true;
}

bool TryStringToGUID(std::string_view text, GUID& result) noexcept
{
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return false;
    if (text.front() == '{')
        return ParseGuidText(text, result);
    try {
        CLSID clsid{};
        if (FAILED(CLSIDFromProgID(AnsiToWide(text).c_str(), &clsid)))
            return false;
        result = clsid;
        return true;
    } catch (...) {
        return false;
    }
}

GUID StringToGUID(std::string_view text)
{
    GUID result{};
    if (!TryStringToGUID(text, result))
        throw Error(InvalidGuidMessage(text), CO_E_CLASSSTRING);
    return result;
}

std::string ClassIDToProgID(const GUID& clsid)
{
    LPOLESTR raw = nullptr;
    CheckedCall([&] { return ProgIDFromCLSID(clsid, &raw); });
    const std::unique_ptr<OLECHAR, decltype(&CoTaskMemFree)> progId(raw, &CoTaskMemFree);
    return WideToAnsi(progId ? progId.get() : L"");
}

ComPtr<IUnknown> CreateComObject(const GUID& clsid)
{
    ComPtr<IUnknown> object;
    CheckedCall([&] { return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IUnknown, object.PutVoid()); });
    return object;
}

} // namespace fw
