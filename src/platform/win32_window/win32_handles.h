#pragma once

// One owner per kind of handle the window system holds, so that no path,
// an exception included, leaks a window, a font or a shell item list.

#include <objbase.h>
#include <utility>
#include <windows.h>

namespace tarnwell::win32 {

template<typename Handle, void (*Release)(Handle)> class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle)
        : m_handle(handle)
    {
    }
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept
        : m_handle(std::exchange(other.m_handle, Handle {}))
    {
    }
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, Handle {});
        }
        return *this;
    }
    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Handle {}; }
    Handle release() { return std::exchange(m_handle, Handle {}); }
    void reset(Handle handle = Handle {})
    {
        if (m_handle)
            Release(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle {};
};

inline void destroy_window(HWND window)
{
    DestroyWindow(window);
}
inline void delete_font(HFONT font)
{
    DeleteObject(font);
}
inline void delete_bitmap(HBITMAP bitmap)
{
    DeleteObject(bitmap);
}
inline void delete_dc(HDC dc)
{
    DeleteDC(dc);
}
inline void free_task_memory(void* memory)
{
    CoTaskMemFree(memory);
}

using WindowHandle = Owned<HWND, destroy_window>;
using FontHandle = Owned<HFONT, delete_font>;
using BitmapHandle = Owned<HBITMAP, delete_bitmap>;
using MemoryDcHandle = Owned<HDC, delete_dc>;
// An item ID list that the shell allocated for us.
using ShellItemList = Owned<void*, free_task_memory>;

}
