#include "FakePluginObject.h"

#include <cstdio>

#include "common/PixwellInc.h"
#include "com/ComBStr.h"
#include "com/ComGuid.h"
#include "com/ComPtr.h"
#include "base/Errors.h"

namespace fake {
namespace {

constexpr char kNoStreamText[] = "The image stream is not an IStream";
constexpr int kBmpFileHeaderSize = 14;
// The file header and the info header up to biClrUsed.
constexpr int kBmpHeadersRead = kBmpFileHeaderSize + 36;

const PluginClass kPluginClasses[kPluginClassCount] = {
    {CLSID_FakePluginObject, "FakePluginObject", kPluginName},
    {CLSID_FakePluginObject2, "FakePluginObject2", kPlugin2Name},
};

long g_objectCounts[kPluginClassCount] = {};

std::string Number(unsigned long long value) { return std::to_string(value); }

// The first two bytes as they read; anything unprintable shows as '?'.
std::string MagicText(const unsigned char* bytes, ULONG count)
{
    std::string text;
    for (ULONG i = 0; i < count && i < 2; ++i)
        text += (bytes[i] > ' ' && bytes[i] < 0x7F) ? static_cast<char>(bytes[i]) : '?';
    return text;
}

// Where the stream stands, how long it is and what its BMP header says; the
// stream is put back where it was.
std::string DescribeStream(IStream& stream)
{
    ULARGE_INTEGER position{};
    LARGE_INTEGER zero{};
    stream.Seek(zero, STREAM_SEEK_CUR, &position);
    STATSTG stat{};
    stream.Stat(&stat, STATFLAG_NONAME);
    unsigned char header[kBmpHeadersRead] = {};
    ULONG read = 0;
    stream.Read(header, sizeof header, &read);
    LARGE_INTEGER back{};
    back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
    stream.Seek(back, STREAM_SEEK_SET, nullptr);
    const auto field = [&](ULONG at, ULONG size) {
        unsigned long value = 0;
        for (ULONG i = 0; i < size && at + i < read; ++i)
            value |= static_cast<unsigned long>(header[at + i]) << (8 * i);
        return value;
    };
    return " stream=IStream position=" + Number(position.QuadPart) + " length=" +
           Number(stat.cbSize.QuadPart) + " magic=" + MagicText(header, read) + " bfSize=" + Number(field(2, 4)) +
           " biBitCount=" + Number(field(28, 2)) + " biClrUsed=" + Number(field(46, 4));
}

std::string WindowText(HWND hwnd)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buf;
}

} // namespace

const PluginClass& PluginClassAt(int index) { return kPluginClasses[index]; }

const PluginClass* FindPluginClass(const std::string& className)
{
    for (const PluginClass& c : kPluginClasses)
        if (className == c.className)
            return &c;
    return nullptr;
}

std::string PluginKeyPath(const PluginClass& pluginClass)
{
    return std::string(pixwell::kPluginsKey) + "\\" + fw::GUIDToString(pluginClass.clsid);
}

PluginObjectCore::PluginObjectCore(int classIndex)
    : class_(kPluginClasses[classIndex]), number_(++g_objectCounts[classIndex])
{
    Log(LogName() + " Create");
}

PluginObjectCore::~PluginObjectCore()
{
    Log(LogName() + " Destroy");
}

std::string PluginObjectCore::LogName() const
{
    return std::string(class_.className) + "#" + std::to_string(number_);
}

void PluginObjectCore::GetPluginInfo(BSTR* name, BSTR* description, BSTR* optionsObjectName,
                                     BSTR* helpTopic, HRESULT* result) const
{
    if (!name || !description || !optionsObjectName || !helpTopic || !result)
        throw fw::Error("GetPluginInfo: null argument", E_POINTER);
    const Knobs knobs(PluginKeyPath(class_));
    Log(LogName() + " GetPluginInfo status=" + StatusText(knobs.Status("GetPluginInfo")) +
        " result=" + StatusText(knobs.Result("GetPluginInfo")));
    knobs.ApplyStatus("GetPluginInfo");
    fw::SetOutBStr(name, knobs.Text("InfoName", class_.displayName));
    fw::SetOutBStr(description, knobs.Text("InfoDescription", kPluginDescription));
    fw::SetOutBStr(optionsObjectName, knobs.Text("InfoOptions", fw::GUIDToString(CLSID_FakeOptions)));
    fw::SetOutBStr(helpTopic, knobs.Text("InfoHelpTopic", kPluginHelpTopic));
    *result = knobs.Result("GetPluginInfo");
}

void PluginObjectCore::Execute(IUnknown* imageStream, LONG parentWnd, HRESULT* result) const
{
    if (!result)
        throw fw::Error("Execute: null argument", E_POINTER);
    const Knobs knobs(PluginKeyPath(class_));
    fw::ComPtr<IStream> stream;
    if (imageStream)
        imageStream->QueryInterface(IID_IStream, stream.PutVoid());
    const auto parent = reinterpret_cast<HWND>(static_cast<LONG_PTR>(parentWnd));
    Log(LogName() + " Execute" + (stream ? DescribeStream(*stream) : std::string(" stream=none")) +
        " parent=" + WindowText(parent) + " parentVisible=" + (IsWindowVisible(parent) ? "1" : "0") +
        " status=" + StatusText(knobs.Status("Execute")) + " result=" + StatusText(knobs.Result("Execute")));
    knobs.ApplyStatus("Execute");
    if (!stream)
        throw fw::Error(kNoStreamText, E_NOINTERFACE);
    *result = knobs.Result("Execute");
}

} // namespace fake
