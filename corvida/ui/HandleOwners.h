#pragma once
// Small owners for the drawing handles the windows create: each frees its handle when it
// is replaced or when the owner ends. Icons loaded as shared resources (LoadIcon) are not
// owned and need none.
#include <windows.h>

template <typename Handle, typename Free>
class COwnedHandle {
public:
    COwnedHandle() = default;
    explicit COwnedHandle(Handle handle) : m_handle(handle) {}
    ~COwnedHandle() { Reset(); }
    COwnedHandle(const COwnedHandle&) = delete;
    COwnedHandle& operator=(const COwnedHandle&) = delete;

    void Reset(Handle handle = nullptr)
    {
        if (m_handle)
            Free()(m_handle);
        m_handle = handle;
    }
    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    Handle m_handle = nullptr;
};

struct FreeGdiObject {
    void operator()(HGDIOBJ handle) const { DeleteObject(handle); }
};
struct FreeIcon {
    void operator()(HICON handle) const { DestroyIcon(handle); }
};

using CFontHandle = COwnedHandle<HFONT, FreeGdiObject>;
using CBrushHandle = COwnedHandle<HBRUSH, FreeGdiObject>;
using CIconHandle = COwnedHandle<HICON, FreeIcon>;
