// Owners of GDI handles: the object is deleted when its owner ends.
#pragma once
#include <utility>
#include <windows.h>

template <class Handle>
class CGdiObject
{
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_handle(handle) {}
    ~CGdiObject() { reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.release()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        reset(other.release());
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void reset(Handle handle = nullptr)
    {
        if (m_handle && m_handle != handle)
            ::DeleteObject(m_handle);
        m_handle = handle;
    }
    // Hands the object over (to a window that takes it, for example).
    Handle release() { return std::exchange(m_handle, nullptr); }

private:
    Handle m_handle = nullptr;
};
