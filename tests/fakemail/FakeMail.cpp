// The fake mail client's Simple MAPI functions and its registration as the
// default mail client (see FakeMail.h).
#include "FakeMail.h"

#include <windows.h>
#include <mapi.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/Module.h"
#include "base/Registry.h"

namespace fakemail {
namespace {

constexpr char kDefaultLogName[] = "fakemail.log";
constexpr std::string_view kSmtp = "SMTP:";

// ---- Knobs and log ---------------------------------------------------------------------

fw::RegKey Knobs()
{
    return fw::RegKey::TryOpen(HKEY_CURRENT_USER, kKnobsKey);
}

ULONG KnobStatus(const char* name, ULONG fallback)
{
    return Knobs().ReadDword(name, fallback);
}

bool KnobPresent(const char* name)
{
    return Knobs().ValueExists(name);
}

std::string KnobText(const char* name, const std::string& fallback)
{
    std::string value;
    const fw::RegKey key = Knobs();
    return key && key.ReadString(name, value) == ERROR_SUCCESS ? value : fallback;
}

std::string LogPath()
{
    std::string path = KnobText("LogFile", "");
    if (!path.empty())
        return path;
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof temp, temp);
    return std::string(temp, length < sizeof temp ? length : 0) + kDefaultLogName;
}

void AppendToFile(const std::string& path, const void* data, std::size_t size, bool append)
{
    HANDLE file = CreateFileA(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

class LogLine {
public:
    explicit LogLine(const char* function) : text_(function) {}
    LogLine& Number(const std::string& key, unsigned long long value)
    {
        return Add(key, std::to_string(value));
    }
    LogLine& Hex(const std::string& key, ULONG_PTR value)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
        return Add(key, buffer);
    }
    LogLine& Pointer(const std::string& key, const void* value)
    {
        return value ? Hex(key, reinterpret_cast<ULONG_PTR>(value)) : Add(key, "null");
    }
    LogLine& Text(const std::string& key, const char* value)
    {
        if (!value)
            return Add(key, "null");
        std::string quoted = "\"";
        for (const char* c = value; *c; ++c) {
            switch (*c) {
            case '\\': quoted += "\\\\"; break;
            case '"': quoted += "\\\""; break;
            case '\r': quoted += "\\r"; break;
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            default: quoted += *c;
            }
        }
        return Add(key, quoted + "\"");
    }
    LogLine& Add(const std::string& key, const std::string& value)
    {
        text_ += ' ' + key + '=' + value;
        return *this;
    }
    void Write()
    {
        text_ += '\n';
        AppendToFile(LogPath(), text_.data(), text_.size(), true);
    }

private:
    std::string text_;
};

// ---- Buffers -------------------------------------------------------------------------------

// Live buffers and their sizes.
std::map<void*, std::size_t>& LiveBuffers()
{
    static std::map<void*, std::size_t> live;
    return live;
}

// The message of the send in progress, while the client's "window" is up.
const MapiMessage* g_sending = nullptr;

// Whether the recipients of the send in progress point into `buffer`.
bool InUseBySend(void* buffer)
{
    const auto found = LiveBuffers().find(buffer);
    if (!g_sending || found == LiveBuffers().end() || !g_sending->lpRecips)
        return false;
    const auto* begin = static_cast<const char*>(buffer);
    const char* end = begin + found->second;
    for (ULONG i = 0; i < g_sending->nRecipCount; ++i) {
        const char* name = g_sending->lpRecips[i].lpszName;
        if (name >= begin && name < end)
            return true;
    }
    return false;
}

// What a client's window does while it is up: the caller's windows go on
// getting their messages.
void PumpMessages(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

// Recipients in one block, as clients hand them out: the array, then the
// texts and entry identifiers it points to.
struct Recipient {
    std::string name;
    std::string address;
    std::vector<unsigned char> entryId;
};

lpMapiRecipDesc AllocateRecipients(const std::vector<Recipient>& recipients)
{
    std::size_t size = sizeof(MapiRecipDesc) * recipients.size();
    for (const Recipient& r : recipients)
        size += r.name.size() + 1 + r.address.size() + 1 + r.entryId.size();
    auto* block = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size ? size : 1));
    if (!block)
        return nullptr;
    auto* descs = reinterpret_cast<MapiRecipDesc*>(block);
    unsigned char* next = block + sizeof(MapiRecipDesc) * recipients.size();
    auto place = [&next](const void* data, std::size_t bytes) {
        std::memcpy(next, data, bytes);
        unsigned char* at = next;
        next += bytes;
        return at;
    };
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        const Recipient& r = recipients[i];
        descs[i].lpszName = reinterpret_cast<LPSTR>(place(r.name.c_str(), r.name.size() + 1));
        descs[i].lpszAddress = reinterpret_cast<LPSTR>(place(r.address.c_str(), r.address.size() + 1));
        descs[i].ulEIDSize = static_cast<ULONG>(r.entryId.size());
        descs[i].lpEntryID = r.entryId.empty() ? nullptr : place(r.entryId.data(), r.entryId.size());
    }
    LiveBuffers()[block] = size;
    return descs;
}

Recipient FromBook(std::size_t index)
{
    const auto id = static_cast<unsigned>(index + 1);
    return {kAddressBook[index].name, kAddressBook[index].address,
            {static_cast<unsigned char>(id), 0, 0, 0}};
}

// ---- Resolution ---------------------------------------------------------------------------

std::string Lower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string Mailbox(const char* address)
{
    const std::string_view a(address);
    if (a.size() >= kSmtp.size() && Lower(a.substr(0, kSmtp.size())) == Lower(kSmtp))
        return std::string(a.substr(kSmtp.size()));
    return std::string(a);
}

ULONG Resolve(const std::string& text, Recipient& found)
{
    const std::size_t count = std::size(kAddressBook);
    if (text.empty())
        return MAPI_E_UNKNOWN_RECIPIENT;
    const std::string lower = Lower(text);
    // "Name <mailbox>"
    const std::size_t open = text.rfind(" <");
    if (open != std::string::npos && text.back() == '>') {
        const std::string name = Lower(text.substr(0, open));
        const std::string bracketed = text.substr(open + 2, text.size() - open - 3);
        const std::string mailbox = Lower(Mailbox(bracketed.c_str()));
        for (std::size_t i = 0; i < count; ++i)
            if (!mailbox.empty() && Lower(kAddressBook[i].name) == name &&
                Lower(Mailbox(kAddressBook[i].address)) == mailbox) {
                found = FromBook(i);
                return SUCCESS_SUCCESS;
            }
        return MAPI_E_UNKNOWN_RECIPIENT;
    }
    for (std::size_t i = 0; i < count; ++i)
        if (Lower(kAddressBook[i].name) == lower ||
            (!Mailbox(kAddressBook[i].address).empty() && Lower(Mailbox(kAddressBook[i].address)) == lower)) {
            found = FromBook(i);
            return SUCCESS_SUCCESS;
        }
    std::vector<std::size_t> starting;
    for (std::size_t i = 0; i < count; ++i)
        if (Lower(kAddressBook[i].name).rfind(lower, 0) == 0)
            starting.push_back(i);
    if (starting.size() == 1) {
        found = FromBook(starting.front());
        return SUCCESS_SUCCESS;
    }
    if (starting.size() > 1)
        return MAPI_E_AMBIGUOUS_RECIPIENT;
    if (text.find('@') != std::string::npos && text.find(' ') == std::string::npos) {
        found = {text, std::string(kSmtp) + text, {}};
        return SUCCESS_SUCCESS;
    }
    return MAPI_E_UNKNOWN_RECIPIENT;
}

std::vector<std::size_t> AddressChoice()
{
    std::vector<std::size_t> indices;
    std::stringstream list(KnobText("AddressChoice", "0"));
    std::string item;
    while (std::getline(list, item, ','))
        if (!item.empty()) {
            // A malformed knob picks nothing rather than ending the test program.
            char* end = nullptr;
            const unsigned long index = std::strtoul(item.c_str(), &end, 10);
            if (end && *end == '\0' && index < std::size(kAddressBook))
                indices.push_back(index);
        }
    return indices;
}

std::string HexBytes(const void* data, ULONG size)
{
    std::string text;
    char byte[3];
    for (ULONG i = 0; data && i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02X", static_cast<const unsigned char*>(data)[i]);
        text += byte;
    }
    return text;
}

// A copy of the attachment as it is now, beside the log.
std::string CopyAttachment(const char* path, bool& exists)
{
    static int copies = 0;
    exists = false;
    if (!path)
        return {};
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    exists = true;
    std::vector<char> bytes;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.insert(bytes.end(), chunk, chunk + read);
    CloseHandle(file);
    const std::string copy = LogPath() + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++copies) + ".att";
    AppendToFile(copy, bytes.data(), bytes.size(), false);
    return copy;
}

void LogRecipient(LogLine& line, const std::string& prefix, const MapiRecipDesc& r)
{
    line.Number(prefix + "reserved", r.ulReserved)
        .Number(prefix + "class", r.ulRecipClass)
        .Text(prefix + "name", r.lpszName)
        .Text(prefix + "address", r.lpszAddress)
        .Add(prefix + "eid", HexBytes(r.lpEntryID, r.ulEIDSize));
}

} // namespace
} // namespace fakemail

using namespace fakemail;

extern "C" {

ULONG WINAPI MAPIAddress(LHANDLE session, ULONG_PTR ui, LPSTR caption, ULONG editFields, LPSTR labels,
                         ULONG recips, lpMapiRecipDesc, FLAGS flags, ULONG reserved, LPULONG newRecips,
                         lpMapiRecipDesc* chosen)
{
    ULONG status = KnobStatus("AddressStatus", SUCCESS_SUCCESS);
    lpMapiRecipDesc buffer = nullptr;
    ULONG count = 0;
    if (status == SUCCESS_SUCCESS) {
        std::vector<Recipient> entries;
        for (const std::size_t index : AddressChoice())
            entries.push_back(FromBook(index));
        if (!entries.empty()) {
            buffer = AllocateRecipients(entries);
            if (!buffer)
                status = MAPI_E_INSUFFICIENT_MEMORY;
            else
                count = static_cast<ULONG>(entries.size());
        }
    }
    if (newRecips)
        *newRecips = count;
    if (chosen)
        *chosen = buffer;
    LogLine("MAPIAddress")
        .Hex("session", session)
        .Hex("ui", ui)
        .Text("caption", caption)
        .Number("editFields", editFields)
        .Text("labels", labels)
        .Number("recips", recips)
        .Number("flags", flags)
        .Number("reserved", reserved)
        .Number("status", status)
        .Number("count", count)
        .Pointer("buffer", buffer)
        .Write();
    return status;
}

ULONG WINAPI MAPIResolveName(LHANDLE session, ULONG_PTR ui, LPSTR name, FLAGS flags, ULONG reserved,
                             lpMapiRecipDesc* resolved)
{
    Recipient found;
    ULONG status = KnobPresent("ResolveStatus") ? KnobStatus("ResolveStatus", MAPI_E_FAILURE)
                                                : Resolve(name ? name : "", found);
    lpMapiRecipDesc buffer = nullptr;
    if (status == SUCCESS_SUCCESS) {
        buffer = AllocateRecipients({found});
        if (!buffer)
            status = MAPI_E_INSUFFICIENT_MEMORY;
    }
    if (resolved)
        *resolved = buffer;
    LogLine("MAPIResolveName")
        .Hex("session", session)
        .Hex("ui", ui)
        .Text("name", name)
        .Number("flags", flags)
        .Number("reserved", reserved)
        .Number("status", status)
        .Pointer("buffer", buffer)
        .Write();
    return status;
}

ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR ui, lpMapiMessage message, FLAGS flags, ULONG reserved)
{
    const ULONG status = KnobStatus("SendStatus", SUCCESS_SUCCESS);
    // The letter as it arrives, before the "window" is up.
    LogLine line("MAPISendMail");
    line.Hex("session", session).Hex("ui", ui).Number("flags", flags).Number("reserved", reserved);
    if (message) {
        const MapiMessage& m = *message;
        line.Number("msg.reserved", m.ulReserved)
            .Text("subject", m.lpszSubject)
            .Text("note", m.lpszNoteText)
            .Text("messageType", m.lpszMessageType)
            .Text("dateReceived", m.lpszDateReceived)
            .Text("conversationID", m.lpszConversationID)
            .Number("msg.flags", m.flFlags)
            .Pointer("originator", m.lpOriginator)
            .Number("recipCount", m.nRecipCount);
        for (ULONG i = 0; m.lpRecips && i < m.nRecipCount; ++i)
            LogRecipient(line, "recip" + std::to_string(i) + ".", m.lpRecips[i]);
        line.Number("fileCount", m.nFileCount);
        for (ULONG i = 0; m.lpFiles && i < m.nFileCount; ++i) {
            const MapiFileDesc& f = m.lpFiles[i];
            const std::string prefix = "file" + std::to_string(i) + ".";
            bool exists = false;
            const std::string copy = CopyAttachment(f.lpszPathName, exists);
            line.Number(prefix + "reserved", f.ulReserved)
                .Number(prefix + "flags", f.flFlags)
                .Number(prefix + "position", f.nPosition)
                .Text(prefix + "path", f.lpszPathName)
                .Text(prefix + "name", f.lpszFileName)
                .Add(prefix + "type", f.lpFileType ? "set" : "null")
                .Number(prefix + "exists", exists ? 1 : 0)
                .Text(prefix + "copy", copy.c_str());
        }
    } else {
        line.Add("message", "null");
    }
    g_sending = message;
    PumpMessages(KnobStatus("SendPumpMs", 0));
    g_sending = nullptr;
    line.Number("status", status).Write();
    return status;
}

ULONG WINAPI MAPIFreeBuffer(LPVOID buffer)
{
    // Buffers are handed out as their recipient array, which starts the block.
    const bool inUse = InUseBySend(buffer);
    const bool known = buffer && LiveBuffers().erase(buffer) == 1;
    if (known)
        HeapFree(GetProcessHeap(), 0, buffer);
    LogLine("MAPIFreeBuffer")
        .Pointer("buffer", buffer)
        .Number("known", known ? 1 : 0)
        .Number("inUse", inUse ? 1 : 0)
        .Write();
    return SUCCESS_SUCCESS;
}

// The default mail client of the machine (under Wine: of the prefix).
HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        const std::string path = fw::ModuleFileName(fw::ThisModule());
        const std::string clientKey = std::string(kMailClientsKey) + "\\" + kClientName;
        const fw::RegKey clients = fw::RegKey::TryCreate(HKEY_LOCAL_MACHINE, kMailClientsKey);
        const fw::RegKey client = fw::RegKey::TryCreate(HKEY_LOCAL_MACHINE, clientKey.c_str());
        if (!clients || !client)
            return E_FAIL;
        if (clients.WriteString(nullptr, kClientName) != ERROR_SUCCESS ||
            client.WriteString(nullptr, kClientName) != ERROR_SUCCESS ||
            client.WriteString("DLLPath", path) != ERROR_SUCCESS ||
            client.WriteString("DLLPathEx", path) != ERROR_SUCCESS)
            return E_FAIL;
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    try {
        const std::string clientKey = std::string(kMailClientsKey) + "\\" + kClientName;
        fw::RegKey::DeleteKey(HKEY_LOCAL_MACHINE, clientKey.c_str(), true);
        const fw::RegKey clients = fw::RegKey::TryOpen(HKEY_LOCAL_MACHINE, kMailClientsKey);
        std::string current;
        if (clients && clients.ReadString(nullptr, current) == ERROR_SUCCESS && current == kClientName)
            clients.DeleteValue(nullptr);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

} // extern "C"
