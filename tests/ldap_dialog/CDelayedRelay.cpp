#include "CDelayedRelay.h"

#include <ws2tcpip.h>

namespace
{
struct CSocket
{
    SOCKET s = INVALID_SOCKET;
    ~CSocket()
    {
        if (s != INVALID_SOCKET)
            ::closesocket(s);
    }
};

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

// Passes what arrives on `from` to `to`; false when `from` is closed or broken.
bool Pass(SOCKET from, SOCKET to)
{
    char buffer[16384];
    int n = ::recv(from, buffer, sizeof(buffer), 0);
    if (n <= 0)
        return false;
    for (int sent = 0; sent < n;)
    {
        int m = ::send(to, buffer + sent, n - sent, 0);
        if (m <= 0)
            return false;
        sent += m;
    }
    return true;
}
}  // namespace

CDelayedRelay::CDelayedRelay(int targetPort, DWORD delayMilliseconds, std::atomic<int>* clock)
    : m_targetPort(targetPort), m_delay(delayMilliseconds), m_clock(clock)
{
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_listener == INVALID_SOCKET)
        return;
    sockaddr_in address = Loopback(0);
    int size = sizeof(address);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(m_listener, 1) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

CDelayedRelay::~CDelayedRelay()
{
    m_stop = true;
    if (m_listener != INVALID_SOCKET)
        ::closesocket(m_listener);
    if (m_thread.joinable())
        m_thread.join();
    ::WSACleanup();
}

void CDelayedRelay::Serve()
{
    // Wait for the client in steps, so that the destructor can end a relay nobody used.
    while (!m_stop)
    {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_listener, &ready);
        timeval step{0, 100000};
        int got = ::select(0, &ready, nullptr, nullptr, &step);
        if (got < 0)
            return;
        if (got > 0)
            break;
    }
    if (m_stop)
        return;
    CSocket client;
    client.s = ::accept(m_listener, nullptr, nullptr);
    if (client.s == INVALID_SOCKET)
        return;
    m_acceptedAt = ++*m_clock;
    ::Sleep(m_delay);

    CSocket server;
    server.s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in target = Loopback(m_targetPort);
    if (server.s == INVALID_SOCKET ||
        ::connect(server.s, reinterpret_cast<sockaddr*>(&target), sizeof(target)) != 0)
        return;
    while (!m_stop)
    {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(client.s, &ready);
        FD_SET(server.s, &ready);
        timeval step{0, 100000};
        int got = ::select(0, &ready, nullptr, nullptr, &step);
        if (got < 0)
            return;
        if (FD_ISSET(client.s, &ready) && !Pass(client.s, server.s))
            return;
        if (FD_ISSET(server.s, &ready) && !Pass(server.s, client.s))
            return;
    }
}
