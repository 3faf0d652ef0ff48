// Hex text captures for the monitor tool.

#include "tools/monitor/HexCapture.h"

#include <gtest/gtest.h>

namespace {

TEST(HexCaptureTest, LinesGiveTheirBytesAndReportBadWords) {
    struct Case {
        const char* line;
        std::vector<std::uint8_t> bytes;
        std::vector<std::string> errors;
    };
    const std::vector<Case> cases = {
        {"A0 03 20 7c", {0xA0, 0x03, 0x20, 0x7C}, {}},
        {"  \tb0\t05   31 7B\r", {0xB0, 0x05, 0x31, 0x7B}, {}},
        {"# a whole comment A0 03", {}, {}},
        {"83 7C # power on 99", {0x83, 0x7C}, {}},
        {"", {}, {}},
        {"A0 3 0x20 7C0 GG 20",
         {0xA0, 0x20},
         {"line 6: '3' is not a two-digit hex byte; skipped",
          "line 6: '0x20' is not a two-digit hex byte; skipped",
          "line 6: '7C0' is not a two-digit hex byte; skipped",
          "line 6: 'GG' is not a two-digit hex byte; skipped"}},
        {"0123456789012345678901234 FF",
         {0xFF},
         {"line 7: '01234567890123456789...' is not a two-digit hex byte; skipped"}},
        {"A0 \x01\xC3\xA9x 20",
         {0xA0, 0x20},
         {"line 8: '???x' is not a two-digit hex byte; skipped"}},
    };
    HexCaptureParser parser;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::uint8_t> bytes;
        std::vector<std::string> errors;
        parser.ParseLine(c.line, bytes, errors);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(errors, c.errors);
    }
    EXPECT_EQ(parser.LineNumber(), 8);
}

} // namespace
