// The system's Simple MAPI as any program reaches it: mapi32.dll, which
// passes each call on to the default mail client, so any Simple MAPI client
// works. The library is loaded on first use and stays while something holds
// it: an options page, a call in progress, or a buffer the client handed
// out, which only the client's own MAPIFreeBuffer may release.
#pragma once
#include <windows.h>
#include <mapi.h>

#include <memory>
#include <string>

namespace postrel {

inline constexpr char kMapiLibraryName[] = "mapi32.dll";

class MapiLibrary {
public:
    // The loaded library, shared by all its users; null when the system has
    // no mapi32.dll.
    static std::shared_ptr<const MapiLibrary> Get();
    ~MapiLibrary();
    MapiLibrary(const MapiLibrary&) = delete;
    MapiLibrary& operator=(const MapiLibrary&) = delete;

    // The entry points; null for those the library lacks.
    LPMAPIADDRESS address = nullptr;
    LPMAPIRESOLVENAME resolveName = nullptr;
    LPMAPISENDMAIL sendMail = nullptr;
    LPMAPIFREEBUFFER freeBuffer = nullptr;

private:
    explicit MapiLibrary(HMODULE module) noexcept;
    HMODULE module_;
};

// A buffer the mail client allocated: released with its MAPIFreeBuffer
// exactly once, when the owner goes or lets it go.
class MapiBuffer {
public:
    MapiBuffer() noexcept = default;
    MapiBuffer(std::shared_ptr<const MapiLibrary> library, void* buffer) noexcept;
    MapiBuffer(MapiBuffer&& other) noexcept;
    MapiBuffer& operator=(MapiBuffer&& other) noexcept;
    MapiBuffer(const MapiBuffer&) = delete;
    MapiBuffer& operator=(const MapiBuffer&) = delete;
    ~MapiBuffer() { Reset(); }

    void Reset() noexcept;
    void* Get() const noexcept { return buffer_; }
    explicit operator bool() const noexcept { return buffer_ != nullptr; }

private:
    std::shared_ptr<const MapiLibrary> library_;
    void* buffer_ = nullptr;
};

// The status of every call is Simple MAPI's (SUCCESS_SUCCESS, MAPI_USER_ABORT,
// MAPI_E_...); without mapi32.dll or the function it is MAPI_E_NOT_SUPPORTED,
// as when no mail client is installed. Only a successful call hands out a
// buffer. Every call uses an implicit session of its own.

struct AddressBookChoice {
    ULONG status = MAPI_E_NOT_SUPPORTED;
    ULONG count = 0;    // entries in the buffer
    MapiBuffer entries; // MapiRecipDesc[count]
};
// The client's address book with one edit field, its own caption and
// labels, no recipients to start with, a logon dialog if needed.
AddressBookChoice MapiAddress(HWND parent);

struct ResolvedName {
    ULONG status = MAPI_E_NOT_SUPPORTED;
    MapiBuffer entry; // one MapiRecipDesc
};
// Resolves `name` against the address book, with no dialog of any kind.
ResolvedName MapiResolveName(HWND parent, const std::string& name);

ULONG MapiSendMail(HWND parent, MapiMessage& message, FLAGS flags);

} // namespace postrel
