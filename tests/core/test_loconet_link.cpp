// The processing step: assembly of bytes into messages, echo and retry, the reply hold,
// opening and closing, and the throttles' periodic call.

#include "support/LoconetFixture.h"

namespace {

using ProcessTest = LinkTest;

TEST_F(ProcessTest, AssemblesMessagesWhateverTheChunksOfTheirBytes) {
    OpenLink();
    MakeSlot(3, 1234);
    const Bytes speed = {0xA0, 0x03, 0x20, 0x7C};
    for (std::size_t chunk : {1u, 2u, 3u, 5u}) {
        SCOPED_TRACE(chunk);
        lines.clear();
        port->readChunk = chunk;
        Bytes stream;
        for (int i = 0; i < 3; ++i)
            stream.insert(stream.end(), speed.begin(), speed.end());
        // Fed across several steps as well: a step sees only what has arrived.
        port->Feed(Bytes(stream.begin(), stream.begin() + 6));
        link.Process();
        port->Feed(Bytes(stream.begin() + 6, stream.end()));
        link.Process();
        EXPECT_EQ(lines, std::vector<std::string>(3, "Rec: Loco Speed: Slt=3,Loc=1234,Sp=32"));
    }
}

TEST_F(ProcessTest, LineFaultsAreReportedAndAssemblyGoesOn) {
    struct Case {
        const char* name;
        Bytes input;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"opcode after two bytes of six",
         {0xC0, 0x01, 0x83, 0x7C},
         {"Too short: exp:6 ,rec:2>C0 01 ", "Rec: 83 7C "}},
        {"stray data byte",
         {0x05, 0x83, 0x7C},
         {"Error: Received inter-message byte: 05 ", "Rec: 83 7C "}},
        {"length not yet known",
         {0xE5, 0x83, 0x7C},
         {"Too short: exp:0 ,rec:1>E5 ", "Rec: 83 7C "}},
        {"length byte 0 completes at once", {0xE5, 0x00, 0x83, 0x7C}, {"Rec: 83 7C "}},
        {"length byte 1 completes at once", {0xE7, 0x01, 0x83, 0x7C}, {"Rec: 83 7C "}},
        {"bad checksum", {0xA0, 0x03, 0x20, 0x7D, 0x83, 0x7C}, {"Rec: 83 7C "}},
    };
    OpenLink();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lines.clear();
        Receive(c.input);
        EXPECT_EQ(lines, c.expected);
    }
}

TEST_F(ProcessTest, LengthByteBeyondTheBufferIsDroppedSafely) {
    OpenLink();
    Bytes input = {0xE5, 0x28};
    for (int i = 0; i < 60; ++i)
        input.push_back(static_cast<std::uint8_t>(i));
    Receive(input);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(link.IsReceiving());
    Receive({0x83, 0x7C});
    ASSERT_EQ(lines.size(), 2u);
    std::string expected = "Too short: exp:40 ,rec:62>E5 28 ";
    for (int i = 0; i < 30; ++i)
        expected += text::Format("%.2X ", i);
    EXPECT_EQ(lines[0], expected) << "only the bytes that fit are shown";
    EXPECT_EQ(lines[1], "Rec: 83 7C ");
}

TEST_F(ProcessTest, DebugModeShowsCorruptAndVariableLengthFaults) {
    settings.DebugMode = 1;
    OpenLink();
    Receive({0xE5, 0x01, 0xA0, 0x03, 0x20, 0x7D});
    EXPECT_EQ(lines, (std::vector<std::string>{"Invalid checksum E5 01 ", "-----",
                                               "Invalid checksum A0 03 20 7D ", "-----"}));
}

TEST_F(ProcessTest, OwnEchoIsSentOtherStationsSameBytesAreReceived) {
    OpenLink();
    MakeSlot(3, 1234, 0x33, 0x10);
    RecordingThrottle& t = AddThrottle(0, ThrottleType::Simple, 3);
    link.SetSlotSpeed(3, 0x20, false);
    link.Process();
    ASSERT_EQ(LastWrite(), (Bytes{0xA0, 0x03, 0x20, 0x7C}));
    EXPECT_TRUE(link.IsWaitingForEcho());
    t.calls.clear();
    EchoLastWrite();
    EXPECT_FALSE(link.IsWaitingForEcho());
    EXPECT_EQ(lines, std::vector<std::string>{"Sent: Loco Speed: Slt=3,Loc=1234,Sp=32"});
    EXPECT_TRUE(t.calls.empty()) << "own echo updates no throttle";

    lines.clear();
    clock.Advance(7);
    Receive({0xA0, 0x03, 0x21, 0x7D});
    Receive({0xA0, 0x03, 0x20, 0x7C});
    EXPECT_EQ(lines, (std::vector<std::string>{"Rec: Loco Speed: Slt=3,Loc=1234,Sp=33",
                                               "Rec: Loco Speed: Slt=3,Loc=1234,Sp=32"}));
    EXPECT_EQ(t.calls,
              (std::vector<std::string>{"UpdateThrottle 1007 0", "UpdateThrottle 1007 0"}));
}

TEST_F(ProcessTest, EchoMustMatchEveryByte) {
    OpenLink();
    MakeSlot(3, 1234);
    link.SetSlotSpeed(3, 0x20, false);
    link.Process();
    Receive({0xA0, 0x03, 0x21, 0x7D});
    EXPECT_TRUE(link.IsWaitingForEcho());
    EXPECT_EQ(lines.back(), "Rec: Loco Speed: Slt=3,Loc=1234,Sp=33");
}

TEST_F(ProcessTest, AtMostOneMessagePerStepAndOnlyAfterTheEcho) {
    OpenLink();
    for (std::uint8_t s = 1; s <= 3; ++s)
        link.QueueMessage(LocoNetMessage{0xA0, s, 0x10, 0x00});
    link.Process();
    link.Process();
    ASSERT_EQ(port->writes.size(), 1u);
    EXPECT_EQ(port->writes[0][1], 1);
    EchoLastWrite(); // the echo and the next write in one step
    ASSERT_EQ(port->writes.size(), 2u);
    EXPECT_EQ(port->writes[1][1], 2);
    // Nothing goes out while another message is half received.
    port->Feed(port->writes.back());
    port->Feed(Bytes{0xB2, 0x01});
    link.Process();
    EXPECT_EQ(port->writes.size(), 2u);
    Receive({0x10, 0x5C});
    EXPECT_EQ(port->writes.size(), 3u);
}

// Retry after 200 ms measured on the 32-bit tick, also across its wrap, where the elapsed
// time is one less than modular arithmetic gives.
TEST_F(ProcessTest, RetryAfter200msAcrossTheTickWrap) {
    struct Case {
        Tick sendAt;
        Tick checkAt;
        bool retried;
        const char* line;
    };
    const std::vector<Case> cases = {
        {1000, 1200, false, nullptr},
        {1000, 1201, true, "Repeated: A0 03 20 7C ,delay=201"},
        {0xFFFFFFF0u, 0xB9, false, nullptr}, // 200 by the wrap rule, 201 modular
        {0xFFFFFFF0u, 0xBA, true, "Repeated: A0 03 20 7C ,delay=201"},
        {0xFFFFFF00u, 0xFFFFFFC9u, true, "Repeated: A0 03 20 7C ,delay=201"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sendAt);
        clock.Set(c.sendAt);
        OpenLink();
        lines.clear();
        beeper.tones.clear();
        link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
        link.QueueMessage(LocoNetMessage{0xA0, 0x04, 0x20, 0x00});
        link.Process();
        ASSERT_EQ(port->writes.size(), 1u);
        clock.Set(c.checkAt);
        link.Process();
        if (!c.retried) {
            EXPECT_TRUE(lines.empty());
            EXPECT_TRUE(beeper.tones.empty());
            EXPECT_EQ(port->writes.size(), 1u);
            continue;
        }
        EXPECT_EQ(lines, std::vector<std::string>{c.line});
        EXPECT_EQ(beeper.tones, (std::vector<std::pair<int, int>>{{2000, 50}}));
        ASSERT_EQ(port->writes.size(), 2u) << "sent again in the same step";
        EXPECT_EQ(port->writes[1], port->writes[0]) << "ahead of the other waiting message";
    }
}

TEST_F(ProcessTest, NextStepDueIsNowWhileSomethingWaitsElseTheNearestThrottleDeadline) {
    EXPECT_EQ(link.NextStepDue(), kNoDeadline); // closed
    OpenLink();
    EXPECT_EQ(link.NextStepDue(), kNoDeadline);
    RecordingThrottle& t = AddThrottle(0, ThrottleType::Simple, 5);
    t.due = 60000;
    EXPECT_EQ(link.NextStepDue(), kNoDeadline) << "an inactive throttle waits for nothing";
    t.bActive = true;
    EXPECT_EQ(link.NextStepDue(), 60000u);
    link.SetSlotSpeed(5, 20, true);
    EXPECT_EQ(link.NextStepDue(), 0u) << "queued";
    link.Process();
    EXPECT_EQ(link.NextStepDue(), CLoconet::kEchoTimeoutMs + 1) << "the echo's time-out";
    port->Feed(port->writes.back());
    EXPECT_EQ(link.NextStepDue(), 0u) << "bytes the port holds";
    link.Process();
    EXPECT_EQ(link.NextStepDue(), 60000u);
    link.SelectLoco(0, 3, kWhichLoco);
    EXPECT_EQ(link.NextStepDue(), 0u) << "selecting";
}

TEST_F(ProcessTest, RetryRepeatsEvery200msUntilTheEchoComes) {
    OpenLink();
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    link.Process();
    for (int i = 0; i < 3; ++i) {
        clock.Advance(150);
        link.Process();
        clock.Advance(51);
        link.Process();
    }
    EXPECT_EQ(port->writes.size(), 4u);
    EXPECT_EQ(beeper.tones.size(), 3u);
    EchoLastWrite();
    clock.Advance(500);
    link.Process();
    EXPECT_EQ(port->writes.size(), 4u);
    EXPECT_EQ(lines.back(), "Sent: Loco Speed: Slt=3,");
}

TEST_F(ProcessTest, AnotherStationsRequestHoldsOurMessagesUntilItsNextMessage) {
    OpenLink();
    Receive({0xBF, 0x00, 0x05, 0x45}); // address request: a reply must follow
    EXPECT_TRUE(link.IsResponseExpected());
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    link.Process();
    Receive({0x81, 0x7E}); // busy neither sets nor clears the hold
    EXPECT_TRUE(port->writes.empty());
    Receive({0xB4, 0x3F, 0x00, 0x74});
    EXPECT_FALSE(link.IsResponseExpected());
    EXPECT_EQ(port->writes.size(), 1u);
}

TEST_F(ProcessTest, RetryDuringAHoldWaitsAtTheHeadOfTheQueue) {
    OpenLink();
    link.QueueMessage(LocoNetMessage{0xA0, 0x01, 0x20, 0x00});
    link.QueueMessage(LocoNetMessage{0xA0, 0x02, 0x20, 0x00});
    link.Process();
    ASSERT_EQ(port->writes.size(), 1u);
    Receive({0xBF, 0x00, 0x05, 0x45});
    clock.Advance(201);
    link.Process();
    EXPECT_EQ(port->writes.size(), 1u) << "held: put back, not sent";
    ASSERT_EQ(link.Queue().Count(), 2u);
    EXPECT_EQ(link.Queue().At(0).bytes[1], 1);
    Receive(SlotData(5, 5));
    ASSERT_EQ(port->writes.size(), 2u);
    EXPECT_EQ(port->writes[1], port->writes[0]);
}

TEST_F(ProcessTest, OwnRequestEchoDoesNotHoldTheBus) {
    OpenLink();
    link.SelectLoco(0, 5, 0);
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    link.Process();
    EchoLastWrite();
    EXPECT_FALSE(link.IsResponseExpected());
    EXPECT_EQ(port->writes.size(), 2u);
}

TEST_F(ProcessTest, ShortWriteIsReportedAndRetried) {
    OpenLink();
    port->writeLimit = 2;
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    link.Process();
    EXPECT_EQ(prompts.texts,
              std::vector<std::string>{"Napaka! Ni bilo možno zapisati vseh znakov na Comm port!"});
    port->writeLimit = 100;
    clock.Advance(201);
    link.Process();
    EXPECT_EQ(LastWrite(), (Bytes{0xA0, 0x03, 0x20, 0x7C}));
}

TEST_F(ProcessTest, OpenFailuresLeaveTheLinkClosed) {
    nextOpenError = "Napaka! Ne morem nastaviti CommState portu /dev/ttyS9";
    EXPECT_FALSE(link.Open("/dev/ttyS9"));
    EXPECT_FALSE(link.IsActive());
    EXPECT_EQ(portCloses, 1) << "a port that failed to open ends up closed";
    link.SetPortFactory(nullptr);
    EXPECT_FALSE(link.Open("COM3"));
    EXPECT_EQ(prompts.texts, (std::vector<std::string>{
                                 "Napaka! Ne morem nastaviti CommState portu /dev/ttyS9",
                                 "Napaka! Comm porta COM3 ni mogoče odpreti! Izbranega "
                                 "porta ni v računalniku ali pa ga uporablja drug program"}));
}

TEST_F(ProcessTest, OpenDiscardsOldInputAndCloseClosesThePort) {
    OpenLink();
    Receive({0xA0, 0x03}); // half a message
    port->Feed(Bytes{0x83, 0x7C});
    OpenLink();
    EXPECT_EQ(portCloses, 1) << "Open closes the link first";
    EXPECT_FALSE(link.IsReceiving());
    port->Feed(Bytes{0x83, 0x7C});
    link.Close();
    EXPECT_EQ(portCloses, 2);
    EXPECT_FALSE(link.IsActive());
    EXPECT_EQ(link.Port(), nullptr);
    link.Process();
    EXPECT_TRUE(lines.empty()) << "a closed link processes nothing";
}

TEST_F(ProcessTest, ThrottlesGetTheirPeriodicCallWithTheStepTick) {
    settings.settings.Offline = 1;
    OpenLink();
    RecordingThrottle& active = AddThrottle(3, ThrottleType::Simple, kNoSlot);
    RecordingThrottle& idle = AddThrottle(4, ThrottleType::Realistic, kNoSlot);
    active.bActive = true;
    // A throttle that calls back into the link from its step does not run the step again.
    active.onIdle = [&] { link.Process(); };
    link.Process();
    EXPECT_EQ(active.calls, std::vector<std::string>{"Idle 1000"});
    EXPECT_TRUE(idle.calls.empty());
}

} // namespace
