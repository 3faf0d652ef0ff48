// Arbitrary bytes from three phones, cut into pieces and mixed with the link's steps, the
// bus's echoes that come or do not, the clock moving past the heartbeat and the link closing:
// nothing the phones say can crash the server, and once they are gone no throttle of theirs
// is left in the registry.

#include "core/layout/LayoutBus.h"
#include "core/layout/VlakomatDoc.h"
#include "core/phone/PhoneServer.h"
#include "core/roster/RosterData.h"
#include "support/FuzzSupport.h"

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
    RosterData data;
    data.roster.locos[0].Descr = "Lok";
    data.roster.locos[0].MotorAddr = 3;
    data.roster.count = 1;
    CVlakomatDoc doc;
    doc.AddElement(1, 1, ElementType::kTurnout);
    LayoutBus bus(doc);
    {
        PhoneServer server(link, clock, data, "fuzz");
        server.SetOutput([](int, const std::string&) {});
        server.SetLayout(&doc, &bus);
        for (int i = 0; i < 3; ++i)
            server.Connect("phone");
        FeedThreeClients(bytes, size, [&](int client, const char* piece, std::size_t count) {
            server.Receive(client, piece, count);
            clock.now += static_cast<std::uint8_t>(piece[0]) % 8 == 0 ? 4000 : 1;
            link.Process();
        });
        if (bytes[0] & 2)
            link.Close();
        for (int client = 0; client < 3; ++client)
            server.Disconnect(client);
    }
    for (int i = 0; i < CLoconet::kRegistrySize; ++i)
        if (link.GetThrottle(i) != nullptr)
            std::abort();
    return 0;
}
