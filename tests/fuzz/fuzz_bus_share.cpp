// Arbitrary bytes from three clients of the shared bus, cut into pieces and mixed with the
// link's steps, echoes that come or do not and the link closing: every line a client sends
// is answered exactly once, and nothing waits for the bus once the link has gone.

#include "core/loconet/BusShare.h"
#include "core/loconet/Loconet.h"
#include "core/loconet/MemoryPort.h"
#include "support/FuzzSupport.h"

#include <array>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 2)
        return 0;
    MemoryLink memory;
    if (memory.port == nullptr)
        return 0;
    StepClock& clock = memory.clock;
    CLoconet& link = memory.link;
    MemoryPort* port = memory.port;
    port->echo = (bytes[0] & 1) != 0;
    BusShare share(link, "fuzz");
    std::array<long, 3> answers{};
    share.SetOutput([&](int client, const std::string& text) {
        for (std::size_t at = text.find("SENT "); at != std::string::npos;
             at = text.find("SENT ", at + 1))
            ++answers[static_cast<std::size_t>(client)];
    });
    std::array<LbLineSplitter, 3> lines; // what each client sent, line by line
    for (int i = 0; i < 3; ++i)
        share.Connect("client");
    FeedThreeClients(bytes, size, [&](int client, const char* piece, std::size_t count) {
        share.Receive(client, piece, count);
        lines[static_cast<std::size_t>(client)].Append(piece, count);
        clock.now += static_cast<std::uint8_t>(piece[0]) % 8 == 0 ? 201 : 1;
        link.Process();
    });
    // Every line ended, then the bus worked off, or the link closed under it.
    for (int client = 0; client < 3; ++client) {
        share.Receive(client, "\n", 1);
        lines[static_cast<std::size_t>(client)].Append("\n", 1);
    }
    if (bytes[0] & 2)
        link.Close();
    for (int step = 0; step < 200 && share.HasGuestMessage(); ++step) {
        clock.now += 201;
        link.Process();
    }
    clock.now += 201;
    link.Process(); // the last message's echo, or its last retry
    link.Close();
    if (share.HasGuestMessage())
        std::abort();
    for (std::size_t client = 0; client < 3; ++client) {
        long expected = static_cast<long>(lines[client].TakeOverlongCount());
        for (std::string line; lines[client].Next(line);)
            if (line.find_first_not_of(" \t") != std::string::npos)
                ++expected;
        if (answers[client] != expected)
            std::abort();
    }
    return 0;
}
