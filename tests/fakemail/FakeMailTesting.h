// The fake mail client from a test's side: registering it as the default
// mail client, setting its knobs and reading its log (see FakeMail.h). Used
// by the in-process tests and the end-to-end tests alike.
#pragma once
#include "FakeMail.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fakemail {

// One logged call: the function and its values; texts unquoted, null
// pointers as nothing.
struct Call {
    std::string function;
    std::map<std::string, std::optional<std::string>> values;

    bool Has(const std::string& key) const { return values.count(key) != 0; }
    // The value, "<null>" for a null pointer, "<absent>" when not logged.
    std::string operator[](const std::string& key) const
    {
        const auto it = values.find(key);
        if (it == values.end())
            return "<absent>";
        return it->second ? *it->second : "<null>";
    }
    unsigned long long Number(const std::string& key) const { return std::stoull((*this)[key], nullptr, 0); }
};

inline Call ParseLine(const std::string& line)
{
    Call call;
    std::size_t at = line.find(' ');
    call.function = line.substr(0, at);
    while (at != std::string::npos && at < line.size()) {
        const std::size_t keyStart = at + 1;
        const std::size_t equals = line.find('=', keyStart);
        if (equals == std::string::npos)
            break;
        const std::string key = line.substr(keyStart, equals - keyStart);
        std::size_t next = equals + 1;
        if (next < line.size() && line[next] == '"') {
            std::string text;
            for (++next; next < line.size() && line[next] != '"'; ++next) {
                if (line[next] == '\\' && next + 1 < line.size()) {
                    const char escaped = line[++next];
                    text += escaped == 'r' ? '\r' : escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
                } else {
                    text += line[next];
                }
            }
            call.values[key] = text;
            at = next + 1 < line.size() ? next + 1 : std::string::npos;
        } else {
            const std::size_t end = line.find(' ', next);
            const std::string raw = line.substr(next, end == std::string::npos ? std::string::npos : end - next);
            call.values[key] = raw == "null" ? std::nullopt : std::optional<std::string>(raw);
            at = end;
        }
    }
    return call;
}

// The default mail client of this prefix while it lives: registered (the
// registration stays afterwards), its log a fresh file, its knobs cleared
// now and when it goes.
class FakeMailClient {
public:
    FakeMailClient(const std::string& libraryPath, const std::string& logPath) : logPath_(logPath)
    {
        module_ = LoadLibraryA(libraryPath.c_str());
        using Entry = HRESULT(STDAPICALLTYPE*)();
        auto enter = module_ ? reinterpret_cast<Entry>(reinterpret_cast<void*>(
                                   GetProcAddress(module_, "DllRegisterServer")))
                             : nullptr;
        registered_ = enter && SUCCEEDED(enter());
        ClearKnobs();
        SetText("LogFile", logPath_);
        ClearLog();
    }
    ~FakeMailClient()
    {
        ClearKnobs();
        std::remove(logPath_.c_str());
        // The copies of attachments the client kept beside its log.
        const std::string folder = logPath_.substr(0, logPath_.find_last_of("\\/") + 1);
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((logPath_ + "-*.att").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        if (module_)
            FreeLibrary(module_);
    }
    FakeMailClient(const FakeMailClient&) = delete;
    FakeMailClient& operator=(const FakeMailClient&) = delete;

    bool Registered() const { return registered_; }

    void SetStatus(const char* knob, DWORD status)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kKnobsKey, knob, REG_DWORD, &status, sizeof status);
    }
    void SetText(const char* knob, const std::string& text)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kKnobsKey, knob, REG_SZ, text.c_str(),
                        static_cast<DWORD>(text.size() + 1));
    }
    void Clear(const char* knob) { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKnobsKey, knob); }
    void ClearKnobs()
    {
        for (const char* knob :
             {"AddressStatus", "AddressChoice", "ResolveStatus", "SendStatus", "SendPumpMs", "LogFile"})
            Clear(knob);
    }

    void ClearLog() { std::ofstream(logPath_, std::ios::trunc).close(); }
    std::vector<Call> Calls(const std::string& function = {}) const
    {
        std::vector<Call> calls;
        std::ifstream in(logPath_);
        for (std::string line; std::getline(in, line);) {
            Call call = ParseLine(line);
            if (function.empty() || call.function == function)
                calls.push_back(std::move(call));
        }
        return calls;
    }

    // Every buffer handed out so far was given back exactly once, and nothing
    // else was: an empty text, or what went wrong.
    std::string BufferFaults() const
    {
        std::map<std::string, int> live;
        std::string faults;
        for (const Call& call : Calls()) {
            if ((call.function == "MAPIResolveName" || call.function == "MAPIAddress") && call.values.count("buffer") &&
                call.values.at("buffer"))
                ++live[*call.values.at("buffer")];
            if (call.function == "MAPIFreeBuffer") {
                const std::string buffer = call["buffer"];
                if (call["known"] != "1" || live[buffer] != 1)
                    faults += "freed " + buffer + " not held; ";
                live[buffer] = 0;
            }
        }
        for (const auto& [buffer, count] : live)
            if (count)
                faults += "kept " + buffer + "; ";
        return faults;
    }

private:
    std::string logPath_;
    HMODULE module_ = nullptr;
    bool registered_ = false;
};

} // namespace fakemail
