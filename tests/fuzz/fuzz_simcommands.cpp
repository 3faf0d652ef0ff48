// Arbitrary text as the simulated station's commands, each line one command, with the
// station's clock moving and its bus output read between them: no command may crash it,
// and every command gets an answer.

#include "core/sim/SimCommandStation.h"
#include "core/sim/SimCommands.h"

#include "support/FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    StepClock clock;
    SimCommandStation station(clock);
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    std::uint8_t sink[64];
    for (std::string_view line : SplitLines(text)) {
        if (RunSimCommand(station, line).empty())
            std::abort();
        clock.now += 250 * static_cast<Tick>(line.size());
        station.Poll();
        while (station.Read(sink, sizeof sink) > 0) {
        }
    }
    return 0;
}
