// The owners of every handle kind the program acquires: one template whose
// parameters are the handle type, the function that releases it and the
// value that means "no handle". A null handle and an INVALID_HANDLE_VALUE
// handle are therefore different types, and neither is mistaken for the other.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <cstdint>
#include <cstdio>
#include <utility>

template <typename H, auto Release, std::intptr_t InvalidValue = 0>
class UniqueOwner {
public:
    static H Invalid() { return reinterpret_cast<H>(InvalidValue); }

    UniqueOwner() = default;
    explicit UniqueOwner(H h) : h_(h) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& o) noexcept : h_(o.release()) {}
    UniqueOwner& operator=(UniqueOwner&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }

    H get() const { return h_; }
    // For owners of interface pointers.
    H operator->() const { return h_; }
    explicit operator bool() const { return h_ != Invalid(); }
    // Releases what is held and hands out the place for a new handle.
    H* put() {
        reset();
        return &h_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    // Gives the handle up without releasing it.
    H release() { return std::exchange(h_, Invalid()); }
    // Releases the handle now and hands back what the release function said
    // (CloseHandle's BOOL, RegCloseKey's error code, fclose's int). An empty
    // owner calls nothing and gives the result type's zero: where that reads
    // as success, check the owner first.
    auto close() {
        using Result = decltype(Release(h_));
        if (h_ == Invalid()) return Result();
        return Release(release());
    }
    void reset(H h = Invalid()) {
        if (h_ != Invalid()) Release(h_);
        h_ = h;
    }

private:
    H h_ = Invalid();
};

namespace handle_release {
template <typename T>
void ReleaseInterface(T* p) { p->Release(); }
// Item ID lists belong to the shell's allocator.
inline void FreeIdList(LPITEMIDLIST p) {
    IMalloc* malloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
        malloc->Free(p);
        malloc->Release();
    }
}
// A device context of the whole screen, from GetDC(nullptr).
inline void ReleaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
}  // namespace handle_release

constexpr std::intptr_t InvalidHandleValue = -1;  // INVALID_HANDLE_VALUE

// Processes, threads and other kernel objects, whose failure value is null.
using UniqueHandle = UniqueOwner<HANDLE, &::CloseHandle>;
// Files from CreateFile, whose failure value is INVALID_HANDLE_VALUE.
using UniqueFileHandle = UniqueOwner<HANDLE, &::CloseHandle, InvalidHandleValue>;
// Searches from FindFirstFile, whose failure value is INVALID_HANDLE_VALUE.
using UniqueFindHandle = UniqueOwner<HANDLE, &::FindClose, InvalidHandleValue>;
using UniqueLibrary = UniqueOwner<HMODULE, &::FreeLibrary>;
using UniqueRegKey = UniqueOwner<HKEY, &::RegCloseKey>;
using UniqueFont = UniqueOwner<HFONT, &::DeleteObject>;
using UniqueScreenDc = UniqueOwner<HDC, &handle_release::ReleaseScreenDc>;
// A file opened through the C library.
using UniqueStdioFile = UniqueOwner<std::FILE*, &std::fclose>;
// A COM interface pointer, released once.
template <typename T>
using ComPtr = UniqueOwner<T*, &handle_release::ReleaseInterface<T>>;
// A shell item ID list, freed through the shell's allocator.
using UniqueIdList = UniqueOwner<LPITEMIDLIST, &handle_release::FreeIdList>;

// OLE for this thread, from construction to destruction; uninitialised only
// when the initialisation succeeded.
class OleInitialization {
public:
    OleInitialization() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleInitialization() {
        if (initialized_) OleUninitialize();
    }
    OleInitialization(const OleInitialization&) = delete;
    OleInitialization& operator=(const OleInitialization&) = delete;
    bool Initialized() const { return initialized_; }

private:
    bool initialized_;
};
