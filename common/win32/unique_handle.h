// Ownership of Win32 and COM resources: one move-only owner template and one alias per kind of
// handle, so that every resource is released on every path, including exceptions.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <utility>

namespace tolvare {

// Owns one value described by Traits (type, invalid value, close function) and closes it unless
// it is the invalid value.
template <typename Traits>
class unique_any {
public:
    using T = typename Traits::type;

    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : value_(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

    // Closes the current value and takes ownership of another.
    void reset(T value = Traits::invalid()) noexcept {
        T old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }
    T release() noexcept { return std::exchange(value_, Traits::invalid()); }
    // For out-parameters: closes the current value first.
    T* put() noexcept {
        reset();
        return &value_;
    }

private:
    T value_ = Traits::invalid();
};

template <typename T, auto Close>
struct null_is_invalid {
    using type = T;
    static constexpr T invalid() noexcept { return T{}; }
    static void close(T value) noexcept { Close(value); }
};

namespace detail {
inline void closeHandle(HANDLE h) noexcept { ::CloseHandle(h); }
inline void closeKey(HKEY k) noexcept { ::RegCloseKey(k); }
inline void freeString(BSTR s) noexcept { ::SysFreeString(s); }
inline void freeLibrary(HMODULE m) noexcept { ::FreeLibrary(m); }
inline void destroyIcon(HICON i) noexcept { ::DestroyIcon(i); }
inline void destroyMenu(HMENU m) noexcept { ::DestroyMenu(m); }
inline void deleteObject(HGDIOBJ o) noexcept { ::DeleteObject(o); }
inline void coTaskMemFree(void* p) noexcept { ::CoTaskMemFree(p); }
inline void destroySafeArray(SAFEARRAY* a) noexcept { ::SafeArrayDestroy(a); }
inline void deactivateActCtx(ULONG_PTR cookie) noexcept { ::DeactivateActCtx(0, cookie); }
inline void releaseScreenDc(HDC dc) noexcept { ::ReleaseDC(nullptr, dc); }

struct file_handle_traits {
    using type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct find_handle_traits {
    using type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};
struct actctx_traits {
    using type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::ReleaseActCtx(h); }
};
}  // namespace detail

// Waitable timers, events and threads give null on failure; files give INVALID_HANDLE_VALUE.
using unique_handle = unique_any<null_is_invalid<HANDLE, detail::closeHandle>>;
using unique_hfile = unique_any<detail::file_handle_traits>;
// FindFirstFile searches: INVALID_HANDLE_VALUE on failure, closed by FindClose.
using unique_hfind = unique_any<detail::find_handle_traits>;
// Winsock sockets: INVALID_SOCKET when there is none, closed by closesocket. Defined where
// <winsock2.h> was included before this header (as WIL does), so that the many users of this
// header that need no sockets do not take in Winsock, which wants to come before <windows.h>.
#ifdef _WINSOCK2API_
namespace detail {
struct socket_traits {
    using type = SOCKET;
    static SOCKET invalid() noexcept { return INVALID_SOCKET; }
    static void close(SOCKET s) noexcept { ::closesocket(s); }
};
}  // namespace detail
using unique_socket = unique_any<detail::socket_traits>;

// One start-up of Winsock (version 2.2), cleaned up when it ends; false when it failed.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    explicit operator bool() const { return started_; }

private:
    bool started_ = false;
};
#endif
using unique_hkey = unique_any<null_is_invalid<HKEY, detail::closeKey>>;
using unique_bstr = unique_any<null_is_invalid<BSTR, detail::freeString>>;
using unique_hmodule = unique_any<null_is_invalid<HMODULE, detail::freeLibrary>>;
using unique_hicon = unique_any<null_is_invalid<HICON, detail::destroyIcon>>;
using unique_hmenu = unique_any<null_is_invalid<HMENU, detail::destroyMenu>>;
using unique_gdiobj = unique_any<null_is_invalid<HGDIOBJ, detail::deleteObject>>;
using unique_cotaskmem = unique_any<null_is_invalid<void*, detail::coTaskMemFree>>;
using unique_safearray = unique_any<null_is_invalid<SAFEARRAY*, detail::destroySafeArray>>;
// The whole screen's device context, GetDC(nullptr), given back by ReleaseDC.
using unique_screen_dc = unique_any<null_is_invalid<HDC, detail::releaseScreenDc>>;
// Activation contexts: CreateActCtx gives INVALID_HANDLE_VALUE on failure.
using unique_hactctx = unique_any<detail::actctx_traits>;
// One activation of a context, undone by its cookie. Activations nest: undo them in the reverse
// order, which scopes do by themselves. A successful activation's cookie is never 0.
using unique_actctx_cookie = unique_any<null_is_invalid<ULONG_PTR, detail::deactivateActCtx>>;

// A VARIANT that is cleared when it goes out of scope.
class unique_variant {
public:
    unique_variant() noexcept { ::VariantInit(&value_); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    unique_variant(unique_variant&& other) noexcept : value_(other.release()) {}
    unique_variant& operator=(unique_variant&& other) noexcept {
        if (this != &other) {
            ::VariantClear(&value_);
            value_ = other.release();
        }
        return *this;
    }
    ~unique_variant() { ::VariantClear(&value_); }

    VARIANT* get() noexcept { return &value_; }
    const VARIANT* get() const noexcept { return &value_; }
    VARIANT* operator->() noexcept { return &value_; }
    // Clears the current value, for out-parameters.
    VARIANT* put() noexcept {
        ::VariantClear(&value_);
        return &value_;
    }
    VARIANT release() noexcept {
        VARIANT v = value_;
        ::VariantInit(&value_);
        return v;
    }

private:
    VARIANT value_;
};

// COM interface pointer: releases on destruction; put() releases the old value first.
template <typename I>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes a new reference.
    explicit com_ptr(I* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    com_ptr(const com_ptr& other) noexcept : com_ptr(other.p_) {}
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~com_ptr() { reset(); }

    // Adopts a reference the caller already owns.
    static com_ptr attach(I* p) noexcept {
        com_ptr c;
        c.p_ = p;
        return c;
    }
    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept {
        if (I* old = std::exchange(p_, nullptr)) old->Release();
    }
    I** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    I* detach() noexcept { return std::exchange(p_, nullptr); }

    template <typename Other>
    HRESULT query(com_ptr<Other>& out) const noexcept {
        return p_ ? p_->QueryInterface(__uuidof(Other), out.put_void()) : E_POINTER;
    }

private:
    I* p_ = nullptr;
};

}  // namespace tolvare
