// Arbitrary text as a bus capture: every line is read, bad words are described, and the
// bytes it yields written out as a capture read back to the same bytes without a fault.

#include "core/loconet/LbServerProtocol.h"
#include "tools/monitor/HexCapture.h"

#include "support/FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    HexCaptureParser parser;
    std::vector<std::uint8_t> out;
    std::vector<std::string> errors;
    for (std::string_view line : SplitLines(text))
        parser.ParseLine(line, out, errors);

    HexCaptureParser again;
    std::vector<std::uint8_t> back;
    std::vector<std::string> none;
    again.ParseLine(FormatHexBytes(out), back, none);
    if (back != out || !none.empty())
        std::abort();
    return 0;
}
