#pragma once
// An owning COM interface pointer: releases its reference when it goes out of scope.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace scandrel::plugin {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes a reference of its own.
    explicit ComPtr(T* pointer) noexcept : pointer_(pointer) {
        if (pointer_) pointer_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.pointer_) {}
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference the caller already owns.
    static ComPtr adopt(T* pointer) noexcept {
        ComPtr result;
        result.pointer_ = pointer;
        return result;
    }

    void reset() noexcept {
        if (T* old = std::exchange(pointer_, nullptr)) old->Release();
    }
    // Gives up the reference without releasing it.
    T* detach() noexcept { return std::exchange(pointer_, nullptr); }

    // For out parameters: releases the current reference first.
    T** put() noexcept {
        reset();
        return &pointer_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    template <typename U>
    ComPtr<U> query() const noexcept {
        ComPtr<U> result;
        if (pointer_) pointer_->QueryInterface(__uuidof(U), result.putVoid());
        return result;
    }

private:
    T* pointer_ = nullptr;
};

}  // namespace scandrel::plugin
