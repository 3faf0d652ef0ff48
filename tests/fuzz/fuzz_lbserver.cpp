// Arbitrary bytes from a LocoNet-over-TCP server, cut into pieces as the network might: the
// line splitter and the line parser must hold their limits, and every RECEIVE or SEND they
// accept must format back to a line that parses to the same bytes.

#include "core/loconet/LbServerProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the size of the pieces the stream arrives in.
    const std::size_t piece = 1 + bytes[0] % 64;
    LbLineSplitter splitter;
    std::string line;
    for (std::size_t at = 1; at < size; at += piece) {
        splitter.Append(reinterpret_cast<const char*>(bytes + at), std::min(piece, size - at));
        while (splitter.Next(line)) {
            if (line.size() > LbLineSplitter::kMaxLine)
                std::abort();
            const LbLine parsed = ParseLbLine(line);
            if (parsed.kind != LbLineKind::Receive && parsed.kind != LbLineKind::Send)
                continue;
            std::string again =
                FormatLbLine(parsed.kind == LbLineKind::Receive ? "RECEIVE" : "SEND",
                             parsed.bytes.data(), parsed.bytes.size());
            while (!again.empty() && (again.back() == '\n' || again.back() == '\r'))
                again.pop_back();
            const LbLine reparsed = ParseLbLine(again);
            if (reparsed.kind != parsed.kind || reparsed.bytes != parsed.bytes)
                std::abort();
        }
        splitter.TakeOverlongCount();
    }
    return 0;
}
