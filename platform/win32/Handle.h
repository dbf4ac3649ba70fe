#pragma once
// RAII ownership of Win32 handles, one template with a traits class per handle kind.
#include "platform/win32/win.h"

#include <string>
#include <utility>

namespace zem::win {

template <class Traits> class ScopedHandle {
public:
    using Type = typename Traits::Type;
    ScopedHandle() = default;
    explicit ScopedHandle(Type h) : handle(h) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept
        : handle(std::exchange(other.handle, Traits::Invalid())) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.handle, Traits::Invalid()));
        return *this;
    }
    ~ScopedHandle() { Reset(); }

    Type Get() const { return handle; }
    Type* Receive() {
        Reset();
        return &handle;
    }
    Type Release() { return std::exchange(handle, Traits::Invalid()); }
    void Reset(Type h = Traits::Invalid()) {
        if (Traits::IsValid(handle))
            Traits::Close(handle);
        handle = h;
    }
    explicit operator bool() const { return Traits::IsValid(handle); }

private:
    Type handle = Traits::Invalid();
};

struct KernelTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { ::FindClose(h); }
};

struct RegTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

struct GdiTraits {
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

struct MemoryDCTraits {
    using Type = HDC;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};

using ScopedKernelHandle = ScopedHandle<KernelTraits>;
using ScopedFindHandle = ScopedHandle<FindTraits>;
using ScopedKey = ScopedHandle<RegTraits>;
using ScopedGdiObject = ScopedHandle<GdiTraits>;
using ScopedMemoryDC = ScopedHandle<MemoryDCTraits>; // from CreateCompatibleDC

// A window's device context from GetDC (null window: the screen), released on every path.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND hwnd) : hwnd(hwnd), dc(::GetDC(hwnd)) {}
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    ~ScopedWindowDC() {
        if (dc)
            ::ReleaseDC(hwnd, dc);
    }
    HDC Get() const { return dc; }

private:
    HWND hwnd;
    HDC dc;
};

// An object selected into a device context; the previous one is put back on every path.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc(dc), previous(::SelectObject(dc, object)) {}
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    ~ScopedSelection() { ::SelectObject(dc, previous); }

private:
    HDC dc;
    HGDIOBJ previous;
};

// Owning pointer to a COM interface.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }
    T* operator->() const { return ptr; }
    T* Get() const { return ptr; }
    T** Receive() {
        Reset();
        return &ptr;
    }
    void Reset() {
        if (ptr)
            ptr->Release();
        ptr = nullptr;
    }
    explicit operator bool() const { return ptr != nullptr; }

private:
    T* ptr = nullptr;
};

// The object a window was created for: taken from the creation parameters at WM_NCCREATE
// and kept in the window's user data; null before that.
template <class T> T* WindowObject(HWND hwnd, UINT msg, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The system's message text for an error code, without the trailing line break.
std::wstring SystemMessage(DWORD code);
// Raises EInOutError with the text for GetLastError(), prefixed by what failed.
[[noreturn]] void ThrowLastError(const std::wstring& what);

} // namespace zem::win
