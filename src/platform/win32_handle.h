#pragma once

// One owner type per kind of Win32 handle, so no path through the file
// primitives leaks one.

#include <utility>
#include <windows.h>

namespace tarnwell::win32 {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE)
        : m_handle(handle)
    {
    }
    ~FileHandle() { reset(); }
    FileHandle(FileHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
    {
    }
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE get() const { return m_handle; }
    void reset()
    {
        if (valid())
            CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    bool close_checked() { return CloseHandle(std::exchange(m_handle, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE m_handle;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE handle = INVALID_HANDLE_VALUE)
        : m_handle(handle)
    {
    }
    ~FindHandle() { reset(); }
    FindHandle(FindHandle const&) = delete;
    FindHandle& operator=(FindHandle const&) = delete;
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE)
    {
        if (valid())
            FindClose(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

}
