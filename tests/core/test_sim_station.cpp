// The simulated command station's answers, byte for byte, its refusals, purge and faults.

#include "core/sim/SimCommandStation.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithChecksum(Bytes b) {
    b.push_back(Checksum(b.data(), static_cast<std::uint32_t>(b.size())));
    return b;
}

std::vector<Bytes> Chunks(SimCommandStation& cs) {
    std::vector<Bytes> all;
    for (Bytes c = cs.TakeChunk(); !c.empty(); c = cs.TakeChunk())
        all.push_back(c);
    return all;
}

std::vector<Bytes> Send(SimCommandStation& cs, const Bytes& msg) {
    cs.Write(msg.data(), msg.size());
    return Chunks(cs);
}

bool Intact(const Bytes& b) {
    std::uint8_t x = 0;
    for (auto v : b)
        x ^= v;
    return !b.empty() && x == 0xFF && (b[0] & 0x80) && b.size() >= 2;
}

const Bytes kReq1234 = {0xBF, 0x09, 0x52, 0x1B};
const Bytes kSlot1Common1234 = {0xE7, 0x0E, 0x01, 0x13, 0x52, 0x00, 0x00,
                                0x07, 0x00, 0x09, 0x00, 0x00, 0x00, 0x58};
const Bytes kSlot1InUse1234 = {0xE7, 0x0E, 0x01, 0x33, 0x52, 0x00, 0x00,
                               0x07, 0x00, 0x09, 0x00, 0x00, 0x00, 0x78};
const Bytes kNullMove1 = {0xBA, 0x01, 0x01, 0x45};
const Bytes kRefusedMove = {0xB4, 0x3A, 0x00, 0x71};
const Bytes kNoFreeSlot = {0xB4, 0x3F, 0x00, 0x74};
const Bytes kImmAck = {0xB4, 0x6D, 0x7F, 0x59}; // immediate packet accepted

struct Station : ::testing::Test {
    FakeClock clock{1000};
    SimCommandStation cs{clock};
};

TEST_F(Station, AddressRequestEchoesThenAnswersSlotDataOfANewSlot) {
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{kReq1234, kSlot1Common1234}));
    // The same address again finds the same slot; another address takes the next free one.
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{kReq1234, kSlot1Common1234}));
    auto r = Send(cs, WithChecksum({0xBF, 0x00, 0x03}));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1], WithChecksum({0xE7, 0x0E, 0x02, 0x13, 0x03, 0, 0, 0x07, 0, 0, 0, 0, 0}));
    EXPECT_EQ(cs.FindSlot(1234), 1);
    EXPECT_EQ(cs.FindSlot(3), 2);
}

TEST_F(Station, NullMoveTakesTheSlotIntoUse) {
    Send(cs, kReq1234);
    EXPECT_EQ(Send(cs, kNullMove1), (std::vector<Bytes>{kNullMove1, kSlot1InUse1234}));
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x33);
}

TEST_F(Station, MovesOtherThanANullMoveOfALocoSlotAreRefused) {
    const std::vector<Bytes> moves = {{0xBA, 0x01, 0x02},
                                      {0xBA, 0x00, 0x00},
                                      {0xBA, 0x78, 0x78},
                                      {0xBA, 0x7F, 0x7F},
                                      {0xBA, 0x05, 0x00}};
    for (const Bytes& m : moves) {
        const Bytes msg = WithChecksum(m);
        EXPECT_EQ(Send(cs, msg), (std::vector<Bytes>{msg, kRefusedMove})) << int(m[1]);
    }
    cs.SetRefuseMoves(true);
    Send(cs, kReq1234);
    EXPECT_EQ(Send(cs, kNullMove1), (std::vector<Bytes>{kNullMove1, kRefusedMove}));
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x13);
}

// Dispatch as throttles use it: a move to slot 0 puts a slot into dispatch, a move from
// slot 0 hands the dispatched slot to the asker.
TEST_F(Station, DispatchPutAndGet) {
    const Bytes put1 = WithChecksum({0xBA, 0x01, 0x00});
    const Bytes get = WithChecksum({0xBA, 0x00, 0x00});
    const struct {
        const char* what;
        Bytes message;
        Bytes answer;
        int dispatched;
    } steps[] = {
        {"nothing to get", get, kRefusedMove, -1},
        {"a free slot cannot be put", WithChecksum({0xBA, 0x05, 0x00}), kRefusedMove, -1},
        {"a slot that is not a loco slot cannot", WithChecksum({0xBA, 0x78, 0x00}), kRefusedMove,
         -1},
        {"the address request", kReq1234, kSlot1Common1234, -1},
        {"a common slot is put", put1, kSlot1Common1234, 1},
        {"the asker gets it in use", get, kSlot1InUse1234, -1},
        {"and only once", get, kRefusedMove, -1},
        {"an in-use slot is put and given up", put1, kSlot1Common1234, 1},
        {"taking it by a null move ends the dispatch", kNullMove1, kSlot1InUse1234, -1},
        {"so there is nothing to get", get, kRefusedMove, -1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(Send(cs, step.message), (std::vector<Bytes>{step.message, step.answer}));
        EXPECT_EQ(cs.DispatchedSlot(), step.dispatched);
    }
    cs.SetRefuseMoves(true);
    EXPECT_EQ(Send(cs, put1), (std::vector<Bytes>{put1, kRefusedMove}));
}

TEST_F(Station, SlotDataRequestAnswersAnySlot) {
    const Bytes rq = {0xBB, 0x05, 0x00, 0x41};
    EXPECT_EQ(Send(cs, rq), (std::vector<Bytes>{rq,
                                                {0xE7, 0x0E, 0x05, 0x03, 0x00, 0x00, 0x00, 0x07,
                                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x17}}));
    auto r = Send(cs, WithChecksum({0xBB, 0x7F, 0x00}));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1][2], 0x7F);
    EXPECT_TRUE(Intact(r[1]));
}

TEST_F(Station, SpeedDirectionFunctionAndStatusUpdateSilently) {
    Send(cs, kReq1234);
    Send(cs, kNullMove1);
    const std::vector<std::pair<Bytes, int>> updates = {{{0xA0, 0x01, 0x20}, SimSlotByte::SPD},
                                                        {{0xA1, 0x01, 0x31}, SimSlotByte::DIRF},
                                                        {{0xA2, 0x01, 0x0A}, SimSlotByte::SND},
                                                        {{0xB5, 0x01, 0x13}, SimSlotByte::STAT1}};
    for (const auto& [m, index] : updates) {
        const Bytes msg = WithChecksum(m);
        EXPECT_EQ(Send(cs, msg), (std::vector<Bytes>{msg})) << std::hex << int(m[0]);
        EXPECT_EQ(cs.Slot(1).bytes[static_cast<std::size_t>(index)], m[2]);
    }
    auto r = Send(cs, WithChecksum({0xBB, 0x01, 0x00}));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1], WithChecksum({0xE7, 0x0E, 0x01, 0x13, 0x52, 0x20, 0x31, 0x07, 0x00, 0x09, 0x0A,
                                  0x00, 0x00}));
}

TEST_F(Station, SlotWriteStoresTheSlotAndAcknowledges) {
    const Bytes wr = {0xEF, 0x0E, 0x02, 0x33, 0x03, 0x10, 0x21,
                      0x07, 0x00, 0x00, 0x05, 0x11, 0x22, 0x2C};
    EXPECT_EQ(Send(cs, wr), (std::vector<Bytes>{wr, {0xB4, 0x6F, 0x7F, 0x5B}}));
    EXPECT_EQ(cs.Slot(2).bytes, (std::array<std::uint8_t, 11>{0x02, 0x33, 0x03, 0x10, 0x21, 0x07,
                                                              0x00, 0x00, 0x05, 0x11, 0x22}));
    EXPECT_EQ(cs.FindSlot(3), 2);
    // A slot write of the wrong length is carried on the bus but not acted on.
    const Bytes shortWrite = WithChecksum({0xEF, 0x0D, 0x03, 0x33, 0x04, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Send(cs, shortWrite), (std::vector<Bytes>{shortWrite}));
    EXPECT_EQ(cs.FindSlot(4), -1);
}

TEST_F(Station, ImmediatePacketIsAcknowledged) {
    // The opcode asks for a reply; without one every station on the bus would keep waiting.
    const Bytes imm = {0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00, 0x61};
    EXPECT_EQ(Send(cs, imm), (std::vector<Bytes>{imm, kImmAck}));
}

TEST_F(Station, OtherMessagesAreOnlyEchoed) {
    const std::vector<Bytes> msgs = {{0xB0, 0x05, 0x30, 0x7A},
                                     {0x81, 0x7E},
                                     WithChecksum({0x83}),
                                     WithChecksum({0xE5, 0x07, 0x01, 0x02, 0x03, 0x04})};
    for (const Bytes& m : msgs)
        EXPECT_EQ(Send(cs, m), (std::vector<Bytes>{m})) << std::hex << int(m[0]);
}

TEST_F(Station, ABadChecksumIsEchoedButNotAnswered) {
    const Bytes bad = {0xBF, 0x09, 0x52, 0x1C};
    EXPECT_EQ(Send(cs, bad), (std::vector<Bytes>{bad}));
    EXPECT_EQ(cs.FindSlot(1234), -1);
}

TEST_F(Station, FullStationRefusesANewAddress) {
    for (int a = 1; a <= 119; ++a) {
        auto r = Send(cs, WithChecksum({0xBF, 0x00, static_cast<std::uint8_t>(a)}));
        ASSERT_EQ(r.size(), 2u);
        ASSERT_EQ(r[1][2], a) << "address " << a << " goes to slot " << a;
    }
    const Bytes req = WithChecksum({0xBF, 0x01, 0x00});
    EXPECT_EQ(Send(cs, req), (std::vector<Bytes>{req, kNoFreeSlot}));
    // An address the station already holds is still found.
    auto r = Send(cs, WithChecksum({0xBF, 0x00, 0x77}));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1][2], 119);
}

TEST_F(Station, NoFreeSlotFaultRefusesOnlyNewAddresses) {
    Send(cs, kReq1234);
    cs.SetNoFreeSlot(true);
    const Bytes req3 = WithChecksum({0xBF, 0x00, 0x03});
    EXPECT_EQ(Send(cs, req3), (std::vector<Bytes>{req3, kNoFreeSlot}));
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{kReq1234, kSlot1Common1234}));
}

TEST_F(Station, PurgeTurnsAnUnattendedSlotInUseToCommon) {
    Send(cs, kReq1234);
    Send(cs, kNullMove1);
    clock.Advance(150000);
    Send(cs, WithChecksum({0xA0, 0x01, 0x20})); // speed keeps it alive
    clock.Advance(199999);
    cs.Poll();
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x33);
    clock.Advance(1);
    cs.Poll();
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x13);
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::SPD], 0x20);
    EXPECT_TRUE(Chunks(cs).empty()); // purging says nothing on the bus
}

TEST_F(Station, PurgeAcrossTheTickWrapAndWhenTurnedOff) {
    clock.Set(0xFFFFFF00u);
    Send(cs, kReq1234);
    Send(cs, kNullMove1);
    cs.SetPurgeTime(1000);
    // Across the wrap the distance is now + (2^32 - 1 - then): 0x2E8 + 0xFF = 999 ms.
    clock.Set(0x000002E8u);
    cs.Poll();
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x33);
    clock.Set(0x000002E9u);
    cs.Poll();
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x13);

    Send(cs, kNullMove1);
    cs.SetPurgeTime(0);
    clock.Advance(10000000);
    cs.Poll();
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::STAT1], 0x33);
}

TEST_F(Station, LostEchoesStillGetTheirAnswers) {
    cs.LoseEchoes(2);
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{kSlot1Common1234}));
    const Bytes spd = WithChecksum({0xA0, 0x01, 0x10});
    EXPECT_TRUE(Send(cs, spd).empty());
    EXPECT_EQ(Send(cs, spd), (std::vector<Bytes>{spd}));
}

TEST_F(Station, CorruptAndStrayFaultsHitTheNextOutput) {
    cs.CorruptNextMessage();
    auto r = Send(cs, kReq1234);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (Bytes{0xBF, 0x09, 0x52, 0x1A}));
    EXPECT_FALSE(Intact(r[0]));
    EXPECT_EQ(r[1], kSlot1Common1234);

    cs.InsertStrayByte();
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{{0x2A}, kReq1234, kSlot1Common1234}));
}

TEST_F(Station, DelayedAnswersComeAfterTheDelayAndTheEchoAtOnce) {
    cs.SetAnswerDelay(300);
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{kReq1234}));
    clock.Advance(299);
    cs.Poll();
    EXPECT_FALSE(cs.HasOutput());
    clock.Advance(1);
    EXPECT_EQ(Chunks(cs), (std::vector<Bytes>{kSlot1Common1234}));
}

TEST_F(Station, ReadSplitsAndJoinsMessagesAtAnyBufferSize) {
    Bytes written = kReq1234;
    written.insert(written.end(), kNullMove1.begin(), kNullMove1.end());
    for (std::size_t i = 0; i < written.size(); ++i)
        cs.Write(&written[i], 1);
    Bytes expected;
    for (const Bytes* b : {&kReq1234, &kSlot1Common1234, &kNullMove1, &kSlot1InUse1234})
        expected.insert(expected.end(), b->begin(), b->end());
    Bytes got;
    std::uint8_t buf[5];
    for (std::size_t n = cs.Read(buf, 5); n > 0; n = cs.Read(buf, 5))
        got.insert(got.end(), buf, buf + n);
    EXPECT_EQ(got, expected);
}

TEST_F(Station, SurvivesGarbageAndAnswersTheNextGoodMessage) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        Bytes garbage(static_cast<std::size_t>(byte(rng)) + 1);
        for (auto& b : garbage)
            b = static_cast<std::uint8_t>(byte(rng));
        cs.Write(garbage.data(), garbage.size());
        clock.Advance(static_cast<std::uint32_t>(byte(rng)) * 1000u);
        cs.Poll();
        for (const Bytes& c : Chunks(cs)) {
            ASSERT_LE(c.size(), 32u);
            ASSERT_TRUE(c[0] & 0x80);
        }
    }
    // Whatever the garbage left half assembled, a fresh opcode starts over.
    cs.SetNoFreeSlot(false);
    auto r = Send(cs, WithChecksum({0xBB, 0x03, 0x00}));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].size(), 14u);
    EXPECT_EQ(r[1][2], 3);
    EXPECT_TRUE(Intact(r[1]));
}

TEST_F(Station, ImpossibleLengthBytesAreDropped) {
    const std::uint8_t lengths[] = {0x00, 0x01, 0x21, 0x7F};
    for (std::uint8_t len : lengths) {
        const Bytes m = {0xE7, len, 0x01, 0x02};
        EXPECT_TRUE(Send(cs, m).empty()) << int(len);
    }
    EXPECT_EQ(Send(cs, kReq1234), (std::vector<Bytes>{kReq1234, kSlot1Common1234}));
}

TEST_F(Station, TraceShowsWhatIsReceivedAndSent) {
    std::vector<std::pair<char, Bytes>> trace;
    cs.SetTrace([&](char d, const Bytes& b) { trace.emplace_back(d, b); });
    Send(cs, kReq1234);
    EXPECT_EQ(trace, (std::vector<std::pair<char, Bytes>>{
                         {'R', kReq1234}, {'T', kReq1234}, {'T', kSlot1Common1234}}));
}

// --- Other stations ---

TEST_F(Station, HandHeldThrottleAcquiresAndDrives) {
    EXPECT_EQ(cs.ThrottleAcquire(3), 1);
    const Bytes common3 = {0xE7, 0x0E, 0x01, 0x13, 0x03, 0, 0, 0x07, 0, 0, 0, 0, 0, 0x00};
    const Bytes inUse3 = {0xE7, 0x0E, 0x01, 0x33, 0x03, 0, 0, 0x07, 0, 0, 0, 0, 0, 0x20};
    EXPECT_EQ(Chunks(cs),
              (std::vector<Bytes>{{0xBF, 0x00, 0x03, 0x43}, common3, kNullMove1, inUse3}));

    struct Step {
        bool (*act)(SimCommandStation&);
        Bytes sent;
        Bytes answer = {}; // the station's, if any
    };
    const std::vector<Step> steps = {
        {[](SimCommandStation& s) { return s.ThrottleSpeed(3, 0x32); }, {0xA0, 0x01, 0x32, 0x6C}},
        {[](SimCommandStation& s) { return s.ThrottleDirection(3, true); },
         {0xA1, 0x01, 0x20, 0x7F}},
        {[](SimCommandStation& s) { return s.ThrottleFunction(3, 0, true); },
         {0xA1, 0x01, 0x30, 0x6F}},
        {[](SimCommandStation& s) { return s.ThrottleFunction(3, 5, true); },
         {0xA2, 0x01, 0x01, 0x5D}},
        {[](SimCommandStation& s) { return s.ThrottleFunction(3, 10, true); },
         {0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00, 0x61},
         kImmAck},
        {[](SimCommandStation& s) { return s.ThrottleEmergencyStop(3); }, {0xA0, 0x01, 0x01, 0x5F}},
        {[](SimCommandStation& s) { return s.ThrottleRelease(3); }, {0xB5, 0x01, 0x13, 0x58}},
    };
    for (const Step& st : steps) {
        EXPECT_TRUE(st.act(cs));
        std::vector<Bytes> expected{st.sent};
        if (!st.answer.empty())
            expected.push_back(st.answer);
        EXPECT_EQ(Chunks(cs), expected);
    }
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::SPD], 0x01);
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::DIRF], 0x30);
    EXPECT_EQ(cs.Slot(1).bytes[SimSlotByte::SND], 0x01);
}

TEST_F(Station, HandHeldThrottleWaitsForDelayedAnswers) {
    cs.SetAnswerDelay(100);
    EXPECT_EQ(cs.ThrottleAcquire(3), 1);
    EXPECT_EQ(Chunks(cs), (std::vector<Bytes>{{0xBF, 0x00, 0x03, 0x43}}));
    clock.Advance(100);
    auto r = Chunks(cs);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][2], 1);
    EXPECT_EQ(r[1], kNullMove1);
    EXPECT_EQ(r[2][3], 0x33);
}

TEST_F(Station, HandHeldFunctionsNineToTwelveOnALongAddress) {
    cs.ThrottleAcquire(1234);
    Chunks(cs);
    cs.ThrottleFunction(1234, 9, true);
    Chunks(cs);
    cs.ThrottleFunction(1234, 12, true);
    EXPECT_EQ(Chunks(cs),
              (std::vector<Bytes>{
                  {0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x29, 0x00, 0x00, 0x6A}, kImmAck}));
}

TEST_F(Station, ThrottleRefusalsAndRanges) {
    EXPECT_FALSE(cs.ThrottleRelease(3)); // never acquired
    EXPECT_FALSE(cs.ThrottleSpeed(3, 128));
    EXPECT_FALSE(cs.ThrottleFunction(3, 29, true));
    EXPECT_EQ(cs.ThrottleAcquire(9984), -1);
    EXPECT_TRUE(Chunks(cs).empty());
    cs.SetNoFreeSlot(true);
    EXPECT_EQ(cs.ThrottleAcquire(5), -1);
    EXPECT_EQ(Chunks(cs), (std::vector<Bytes>{WithChecksum({0xBF, 0x00, 0x05}), kNoFreeSlot}));
}

TEST_F(Station, ConsistMemberShowsInTheSlotData) {
    EXPECT_TRUE(cs.SetConsistMember(1234, true));
    auto r = Send(cs, kReq1234);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1], (Bytes{0xE7, 0x0E, 0x01, 0x53, 0x52, 0, 0, 0x07, 0, 0x09, 0, 0, 0, 0x18}));
    cs.SetConsistMember(1234, false);
    EXPECT_EQ(Send(cs, kReq1234)[1], kSlot1Common1234);
}

TEST_F(Station, SensorAndSwitchReports) {
    EXPECT_TRUE(cs.SensorReport(11, true));
    EXPECT_TRUE(cs.SensorReport(4095, false));
    EXPECT_TRUE(cs.SwitchReport(10, true, false));
    EXPECT_TRUE(cs.SwitchReport(138, false, true));
    EXPECT_FALSE(cs.SensorReport(4097, true));
    EXPECT_EQ(Chunks(cs), (std::vector<Bytes>{{0xB2, 0x05, 0x50, 0x18},
                                              {0xB2, 0x7F, 0x4F, 0x7D},
                                              {0xB1, 0x0A, 0x20, 0x64},
                                              {0xB1, 0x0A, 0x11, 0x55}}));
}

TEST_F(Station, AnyMessageFromAnotherStationGetsItsChecksum) {
    EXPECT_TRUE(cs.SendFromStation({0xB0, 0x05, 0x30, 0x00}));
    EXPECT_TRUE(cs.SendFromStation({0xE5, 0x00, 0x01, 0x02, 0x03, 0x00}));
    EXPECT_FALSE(cs.SendFromStation({0xB0, 0x05, 0x00}));       // wrong length for the opcode
    EXPECT_FALSE(cs.SendFromStation({0x30, 0x05}));             // no opcode
    EXPECT_FALSE(cs.SendFromStation({0xB0, 0x85, 0x30, 0x00})); // data byte with bit 7
    EXPECT_EQ(Chunks(cs), (std::vector<Bytes>{{0xB0, 0x05, 0x30, 0x7A},
                                              WithChecksum({0xE5, 0x06, 0x01, 0x02, 0x03})}));
}

TEST_F(Station, SlotAccessOutsideTheTableIsHarmless) {
    EXPECT_EQ(cs.Slot(-1).bytes, (std::array<std::uint8_t, 11>{}));
    EXPECT_EQ(cs.Slot(128).bytes, (std::array<std::uint8_t, 11>{}));
    EXPECT_EQ(cs.FindSlot(-5), -1);
    EXPECT_EQ(cs.FindSlot(0x4000), -1);
}

} // namespace
