#pragma once
// Small owners for the Win32 handle kinds the programs open: each closes its handle once,
// on destruction or reset, and can be moved but not copied.
#include <windows.h>

#include <utility>

// `Traits` gives the handle type, its "no handle" value and how to close one.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::Invalid(); }
    Handle release() { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid())
    {
        if (m_handle != Traits::Invalid())
            Traits::Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Traits::Invalid();
};

// CreateFile and friends: INVALID_HANDLE_VALUE means none.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// Processes, threads, events, mutexes: NULL means none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// FindFirstFile: closed by FindClose, not CloseHandle.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// Fonts, brushes, pens and bitmaps: DeleteObject.
template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;

struct IconHandleTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
using IconHandle = UniqueHandle<IconHandleTraits>;

// Internet handles are closed by the library that opened them. The closing function is
// passed in, so this header does not make every user of it link that library:
//   InternetHandle session(InternetOpenA(...), InternetCloseHandle);
template <typename Handle, typename Closer>
class HandleWithCloser {
public:
    HandleWithCloser() = default;
    HandleWithCloser(Handle handle, Closer closer) : m_handle(handle), m_closer(closer) {}
    ~HandleWithCloser() { reset(); }
    HandleWithCloser(const HandleWithCloser&) = delete;
    HandleWithCloser& operator=(const HandleWithCloser&) = delete;
    HandleWithCloser(HandleWithCloser&& other) noexcept
        : m_handle(std::exchange(other.m_handle, Handle())), m_closer(other.m_closer)
    {
    }
    HandleWithCloser& operator=(HandleWithCloser&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, Handle());
            m_closer = other.m_closer;
        }
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle(); }
    void reset()
    {
        if (m_handle != Handle() && m_closer != nullptr)
            m_closer(m_handle);
        m_handle = Handle();
    }

private:
    Handle m_handle = Handle();
    Closer m_closer = nullptr;
};
// HINTERNET is a void pointer; InternetCloseHandle returns BOOL.
using InternetHandle = HandleWithCloser<void*, BOOL(WINAPI*)(void*)>;
