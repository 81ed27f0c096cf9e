#include "postrel/SimpleMapi.h"

#include <utility>
#include <vector>

namespace postrel {

namespace {

template <class Fn>
Fn EntryPoint(HMODULE module, const char* name) noexcept
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

// ---- MapiLibrary --------------------------------------------------------------------

std::shared_ptr<const MapiLibrary> MapiLibrary::Get()
{
    // Weak: the last user unloads it, and a later load reads the system's
    // choice of mail client afresh.
    static std::weak_ptr<const MapiLibrary> loaded;
    if (std::shared_ptr<const MapiLibrary> library = loaded.lock())
        return library;
    HMODULE module = LoadLibraryA(kMapiLibraryName);
    if (!module)
        return nullptr;
    std::shared_ptr<const MapiLibrary> library(new MapiLibrary(module));
    loaded = library;
    return library;
}

MapiLibrary::MapiLibrary(HMODULE module) noexcept
    : address(EntryPoint<LPMAPIADDRESS>(module, "MAPIAddress")),
      resolveName(EntryPoint<LPMAPIRESOLVENAME>(module, "MAPIResolveName")),
      sendMail(EntryPoint<LPMAPISENDMAIL>(module, "MAPISendMail")),
      freeBuffer(EntryPoint<LPMAPIFREEBUFFER>(module, "MAPIFreeBuffer")),
      module_(module)
{
}

MapiLibrary::~MapiLibrary()
{
    FreeLibrary(module_);
}

// ---- MapiBuffer -----------------------------------------------------------------------

MapiBuffer::MapiBuffer(std::shared_ptr<const MapiLibrary> library, void* buffer) noexcept
    : library_(std::move(library)), buffer_(buffer)
{
}

MapiBuffer::MapiBuffer(MapiBuffer&& other) noexcept
    : library_(std::move(other.library_)), buffer_(std::exchange(other.buffer_, nullptr))
{
}

MapiBuffer& MapiBuffer::operator=(MapiBuffer&& other) noexcept
{
    if (this != &other) {
        Reset();
        library_ = std::move(other.library_);
        buffer_ = std::exchange(other.buffer_, nullptr);
    }
    return *this;
}

void MapiBuffer::Reset() noexcept
{
    if (void* buffer = std::exchange(buffer_, nullptr); buffer && library_ && library_->freeBuffer)
        library_->freeBuffer(buffer);
    library_.reset();
}

// ---- Calls -------------------------------------------------------------------------------

AddressBookChoice MapiAddress(HWND parent)
{
    AddressBookChoice choice;
    const std::shared_ptr<const MapiLibrary> library = MapiLibrary::Get();
    if (!library || !library->address)
        return choice;
    ULONG count = 0;
    lpMapiRecipDesc entries = nullptr;
    choice.status = library->address(0, reinterpret_cast<ULONG_PTR>(parent), nullptr, 1, nullptr, 0, nullptr,
                                      MAPI_LOGON_UI, 0, &count, &entries);
    if (entries) {
        // A buffer that comes with a failure is still the caller's to free.
        MapiBuffer owned(library, entries);
        if (choice.status == SUCCESS_SUCCESS) {
            choice.count = count;
            choice.entries = std::move(owned);
        }
    }
    return choice;
}

ResolvedName MapiResolveName(HWND parent, const std::string& name)
{
    ResolvedName resolved;
    const std::shared_ptr<const MapiLibrary> library = MapiLibrary::Get();
    if (!library || !library->resolveName)
        return resolved;
    // The call takes a writable text.
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    lpMapiRecipDesc entry = nullptr;
    resolved.status = library->resolveName(0, reinterpret_cast<ULONG_PTR>(parent), text.data(), 0, 0, &entry);
    if (entry) {
        // A buffer that comes with a failure is still the caller's to free.
        MapiBuffer owned(library, entry);
        if (resolved.status == SUCCESS_SUCCESS)
            resolved.entry = std::move(owned);
    } else if (resolved.status == SUCCESS_SUCCESS) {
        resolved.status = MAPI_E_FAILURE; // success without an entry is none
    }
    return resolved;
}

ULONG MapiSendMail(HWND parent, MapiMessage& message, FLAGS flags)
{
    const std::shared_ptr<const MapiLibrary> library = MapiLibrary::Get();
    if (!library || !library->sendMail)
        return MAPI_E_NOT_SUPPORTED;
    return library->sendMail(0, reinterpret_cast<ULONG_PTR>(parent), &message, flags, 0);
}

} // namespace postrel
