#pragma once
// What a line-based TCP server of the program serves (the shared bus, the phones): the
// decisions about each connection, while the server in src/io only carries its bytes.

#include <cstddef>
#include <functional>
#include <string>

class TcpService {
public:
    // Connections served at most by any service.
    static constexpr int kMaxClients = 64;

    // Text for one client: whole lines with their line ends.
    using Output = std::function<void(int client, const std::string& text)>;

    virtual ~TcpService() = default;

    virtual void SetOutput(Output output) = 0;
    // A new connection from `peer` (its address, for the monitor). `client` is its number
    // (below kMaxClients), or -1 when there is no room; `reply` is what to write to it first
    // (the greeting, or why it is refused, after which it is to be closed).
    struct Admission {
        int client;
        std::string reply;
    };
    virtual Admission Connect(const std::string& peer) = 0;
    // The client is gone.
    virtual void Disconnect(int client) = 0;
    // Bytes that arrived from a client.
    virtual void Receive(int client, const char* data, std::size_t count) = 0;
    virtual int ClientCount() const = 0;
};
