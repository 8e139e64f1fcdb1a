// A slow way to the directory: a loopback TCP relay that accepts one connection, waits, and only
// then connects to the real server and passes the bytes both ways. A query through it blocks
// the dialog's thread for at least the delay, long enough for a second thread to look at the
// screen while the query runs.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <thread>

class CDelayedRelay
{
public:
    CDelayedRelay(int targetPort, DWORD delayMilliseconds, std::atomic<int>* clock);
    ~CDelayedRelay();
    CDelayedRelay(const CDelayedRelay&) = delete;
    CDelayedRelay& operator=(const CDelayedRelay&) = delete;

    // The loopback port to give the client; 0 when the relay could not listen.
    int Port() const { return m_port; }
    // The tick of `clock` taken when the client's connection was accepted; 0 before.
    int AcceptedAt() const { return m_acceptedAt; }

private:
    void Serve();

    int m_targetPort;
    DWORD m_delay;
    std::atomic<int>* m_clock;
    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<int> m_acceptedAt{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
