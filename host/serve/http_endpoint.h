// http_endpoint: the listening socket of `zeth-host serve`, bound before the desks start.
//
// It is bound once, in the process that supervises the desks, and outlives the processes that
// serve on it: when the plug-in's process dies and a new one starts, the page finds the same
// address. Binding starts no thread and leaves no I/O machinery behind (only the socket), so the
// supervisor may still fork after it; each process that serves on the endpoint accepts on the
// socket with an I/O context of its own (http_transport.h) and gives it back when it stops.
//
// The caller owns the endpoint, and with it the socket, which it closes when destroyed; the
// transport that serves on it borrows it while it runs.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The address cannot be used: the message says which and what to do.
class serve_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class http_endpoint {
public:
    // The port zeth-host serve uses when --port is not given.
    static constexpr int defaultPort = 8270;

    // Binds to address (a numeric address or a name of this machine) and port (0: a free port the
    // system picks), and listens. Throws serve_error.
    http_endpoint(const std::string& address, int port);
    ~http_endpoint();
    http_endpoint(const http_endpoint&) = delete;
    http_endpoint& operator=(const http_endpoint&) = delete;

    const std::string& address() const { return bound; }
    int port() const { return portNumber; }
    // "http://127.0.0.1:8270/"; an IPv6 address in brackets.
    std::string url() const;
    // Bound to a loopback address only: nobody else can reach the desks.
    bool loopback() const;

    // The listening socket, as the system's handle, and whether it is IPv6: for the transport to
    // accept on. It stays the endpoint's.
    std::intptr_t socket() const { return handle; }
    bool ipv6() const { return version6; }

private:
    std::string bound;
    int portNumber = 0;
    std::intptr_t handle = -1;
    bool version6 = false;
};

// Whether a request's Host header names this server in a way a page on another site cannot
// arrange: a loopback name or address, or the bound address itself, with any port. Anything
// else (a DNS name an attacker controls, pointed at 127.0.0.1) is refused.
bool trustedHost(const std::string& hostHeader, const std::string& boundAddress);
