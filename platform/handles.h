// Small owners for the handle kinds the program acquires. Each releases its
// handle in its destructor; a null handle and an INVALID_HANDLE_VALUE handle
// are different types, so neither is mistaken for the other.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <utility>

template <typename H, H Invalid, typename Closer>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(H h) : h_(h) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& o) noexcept : h_(std::exchange(o.h_, Invalid)) {}
    UniqueOwner& operator=(UniqueOwner&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, Invalid); }
        return *this;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != Invalid; }
    H* put() { reset(); return &h_; }
    H release() { return std::exchange(h_, Invalid); }
    void reset(H h = Invalid) {
        if (h_ != Invalid) Closer()(h_);
        h_ = h;
    }
private:
    H h_ = Invalid;
};

struct CloseHandleCloser { void operator()(HANDLE h) const { CloseHandle(h); } };
struct FreeLibraryCloser { void operator()(HMODULE h) const { FreeLibrary(h); } };
struct RegCloseKeyCloser { void operator()(HKEY h) const { RegCloseKey(h); } };
struct FindCloseCloser { void operator()(HANDLE h) const { FindClose(h); } };

// Process, thread and other kernel objects whose failure value is null.
using UniqueHandle = UniqueOwner<HANDLE, nullptr, CloseHandleCloser>;
// Files from CreateFile, whose failure value is INVALID_HANDLE_VALUE.
class UniqueFileHandle {
public:
    UniqueFileHandle() = default;
    explicit UniqueFileHandle(HANDLE h) : h_(h) {}
    ~UniqueFileHandle() { reset(); }
    UniqueFileHandle(const UniqueFileHandle&) = delete;
    UniqueFileHandle& operator=(const UniqueFileHandle&) = delete;
    UniqueFileHandle(UniqueFileHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
    UniqueFileHandle& operator=(UniqueFileHandle&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, INVALID_HANDLE_VALUE); }
        return *this;
    }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = h;
    }
private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};
using UniqueLibrary = UniqueOwner<HMODULE, nullptr, FreeLibraryCloser>;
using UniqueRegKey = UniqueOwner<HKEY, nullptr, RegCloseKeyCloser>;

// A COM interface pointer, released once.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() { reset(); return &p_; }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    void reset() { if (p_) { p_->Release(); p_ = nullptr; } }
private:
    T* p_ = nullptr;
};

// A shell item ID list, freed through the shell's allocator.
class UniqueIdList {
public:
    UniqueIdList() = default;
    ~UniqueIdList() { reset(); }
    UniqueIdList(const UniqueIdList&) = delete;
    UniqueIdList& operator=(const UniqueIdList&) = delete;
    LPITEMIDLIST get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    LPITEMIDLIST* put() { reset(); return &p_; }
    void reset() {
        if (!p_) return;
        IMalloc* malloc = nullptr;
        if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
            malloc->Free(p_);
            malloc->Release();
        }
        p_ = nullptr;
    }
private:
    LPITEMIDLIST p_ = nullptr;
};
