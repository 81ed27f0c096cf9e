// A counted COM reference that releases itself, so every path out of a scope
// gives back what it took.
#pragma once
#include <windows.h>
#include <unknwn.h>
#include <cstddef>
#include <utility>

namespace fw {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Shares `p`: takes a reference of its own.
    explicit ComPtr(T* p) noexcept : p_(p) { AddRefIf(); }
    ComPtr(const ComPtr& other) noexcept : p_(other.p_) { AddRefIf(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept
    {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        Reset();
        return *this;
    }

    // Takes over a reference the caller already owns (no AddRef).
    void Attach(T* p) noexcept
    {
        Reset();
        p_ = p;
    }
    static ComPtr Adopt(T* p) noexcept
    {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    // Hands the reference to the caller, who must release it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

    void Reset() noexcept
    {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }

    // For out parameters: releases what is held, then lends the slot.
    T** Put() noexcept
    {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    T** operator&() noexcept { return Put(); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // QueryInterface: an empty pointer when the object lacks the interface.
    template <class U>
    ComPtr<U> As() const noexcept
    {
        ComPtr<U> result;
        As(result);
        return result;
    }
    template <class U>
    HRESULT As(ComPtr<U>& result) const noexcept
    {
        return As(__uuidof(U), result);
    }
    // For interfaces declared without an attached uuid.
    template <class U>
    HRESULT As(REFIID iid, ComPtr<U>& result) const noexcept
    {
        if (!p_) {
            result.Reset();
            return E_POINTER;
        }
        return p_->QueryInterface(iid, result.PutVoid());
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    void AddRefIf() noexcept
    {
        if (p_)
            p_->AddRef();
    }

    T* p_ = nullptr;
};

} // namespace fw
