// Arbitrary text as Decoders.tab, Functions.tab and Roster.tab (separated by NUL NUL): the
// start-up reading must neither crash nor write outside its tables, and what saving writes
// must read back to the same files.

#include "core/platform.h"
#include "core/roster/RosterData.h"
#include "core/roster/TableFile.h"

#include "support/FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

bool Load(RosterData& data, const std::string& decoders, const std::string& functions,
          const std::string& roster) {
    SilentPrompts prompts;
    auto d = TableFileReader::FromText(decoders);
    auto f = TableFileReader::FromText(functions);
    auto r = TableFileReader::FromText(roster);
    return LoadStartupTables(data, prompts, d, f, r);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(bytes), size);
    std::string parts[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t end = i < 2 ? input.find(std::string("\0\0", 2), start) : std::string::npos;
        parts[i] = input.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    auto data = std::make_unique<RosterData>();
    if (!Load(*data, parts[0], parts[1], parts[2]))
        return 0;
    const std::string functions = FormatFunctionsFile(*data);
    const std::string roster = FormatRosterFile(*data);

    auto again = std::make_unique<RosterData>();
    if (!Load(*again, parts[0], functions, roster) || FormatFunctionsFile(*again) != functions ||
        FormatRosterFile(*again) != roster)
        std::abort(); // a saved roster or catalogue that does not read back as saved
    return 0;
}
