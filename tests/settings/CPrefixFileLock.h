// Tests of several executables share one Wine prefix and may run at the same time; those that
// change fixed files of the prefix (the settings files, the viewer's temporary files) hold this
// lock, a named mutex of the prefix's server, for as long as they touch them.
#pragma once
#include <windows.h>

class CPrefixFileLock
{
public:
    CPrefixFileLock() : m_mutex(::CreateMutexA(nullptr, FALSE, "zoz-tests-prefix-files"))
    {
        if (m_mutex)
        {
            DWORD got = ::WaitForSingleObject(m_mutex, 120000);
            // An abandoned lock (a crashed test) is ours all the same.
            m_held = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
        }
    }
    ~CPrefixFileLock()
    {
        if (m_held)
            ::ReleaseMutex(m_mutex);
        if (m_mutex)
            ::CloseHandle(m_mutex);
    }
    CPrefixFileLock(const CPrefixFileLock&) = delete;
    CPrefixFileLock& operator=(const CPrefixFileLock&) = delete;

    bool Held() const { return m_held; }

private:
    HANDLE m_mutex;
    bool m_held = false;
};
