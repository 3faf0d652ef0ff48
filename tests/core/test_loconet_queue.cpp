// Messages the link builds, the checks of QueueMessage and the output queue's order.

#include "core/loconet/OutputQueue.h"
#include "support/LoconetFixture.h"

namespace {

LocoNetMessage Tagged(std::uint8_t tag) {
    return LocoNetMessage{0xA0, tag, 0x00, 0x00};
}

TEST(OutputQueueTest, FirstInFirstOutWithPutBackAheadUpToItsCapacity) {
    OutputQueue q;
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(q.Push(Tagged(static_cast<std::uint8_t>(i))));
    EXPECT_FALSE(q.Push(Tagged(100))) << "the 101st new message must be refused";
    for (int i = 101; i <= 104; ++i)
        EXPECT_TRUE(q.PutBack(Tagged(static_cast<std::uint8_t>(i))));
    EXPECT_FALSE(q.PutBack(Tagged(105))) << "no room beyond the capacity";
    ASSERT_EQ(q.Count(), OutputQueue::kCapacity);
    for (int i = 104; i >= 101; --i)
        EXPECT_EQ(q.Pop().bytes[1], i);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(q.Pop().bytes[1], i) << "oldest first";
    EXPECT_TRUE(q.Empty());
}

// Emergency commands go ahead of everything waiting and of a repeat, in their own order; a
// full queue still takes them.
TEST(OutputQueueTest, EmergencyCommandsGoFirst) {
    const LocoNetMessage powerOff{0x82, 0x7D};
    const LocoNetMessage stopAll{0x85, 0x7A};
    const LocoNetMessage stop7{0xA0, 0x07, 0x01, 0x00};
    const LocoNetMessage speed7{0xA0, 0x07, 0x02, 0x00};
    EXPECT_TRUE(OutputQueue::IsUrgent(powerOff));
    EXPECT_TRUE(OutputQueue::IsUrgent(stop7));
    EXPECT_FALSE(OutputQueue::IsUrgent(speed7));
    EXPECT_FALSE(OutputQueue::IsUrgent(LocoNetMessage{0x83, 0x7C})); // power on

    OutputQueue q;
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(q.Push(Tagged(static_cast<std::uint8_t>(i))));
    ASSERT_TRUE(q.Push(stop7));
    ASSERT_TRUE(q.PutBack(speed7)); // a repeat: behind the stop
    ASSERT_TRUE(q.Push(powerOff));
    ASSERT_TRUE(q.PutBack(stopAll)); // an urgent repeat: behind the other urgent ones
    const std::vector<LocoNetMessage> expected{stop7, powerOff, stopAll, speed7};
    for (const LocoNetMessage& m : expected) {
        const LocoNetMessage got = q.Pop();
        EXPECT_EQ(Bytes(got.bytes.begin(), got.bytes.begin() + got.length),
                  Bytes(m.bytes.begin(), m.bytes.begin() + m.length));
    }
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(q.Pop().bytes[1], i);
}

TEST(OutputQueueTest, WrapsAroundItsStorage) {
    OutputQueue q;
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 60; ++i)
            ASSERT_TRUE(q.Push(Tagged(static_cast<std::uint8_t>(i))));
        ASSERT_TRUE(q.PutBack(Tagged(99)));
        ASSERT_EQ(q.Pop().bytes[1], 99);
        for (int i = 0; i < 60; ++i)
            ASSERT_EQ(q.Pop().bytes[1], i);
    }
}

using QueueTest = LinkTest;

// The bytes that reach the port for the commands the throttles use.
TEST_F(QueueTest, BuiltMessagesGoOutByteExact) {
    settings.DebugMode = 0;
    OpenLink();
    MakeSlot(3, 3);
    MakeSlot(9, 1234);
    struct Case {
        const char* name;
        std::function<void()> action;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"speed 32 slot 3", [&] { link.SetSlotSpeed(3, 32, false); }, {0xA0, 0x03, 0x20, 0x7C}},
        {"address 1234", [&] { link.SelectLoco(0, 1234, 0); }, {0xBF, 0x09, 0x52, 0x1B}},
        {"F9+F12 long 1234",
         [&] { link.SendImmF9toF12(9, 0x09); },
         {0xED, 0x0B, 0x7F, 0x34, 0x07, 0x44, 0x52, 0x29, 0x00, 0x00, 0x6A}},
        {"F10 short 3",
         [&] { link.SendImmF9toF12(3, 0x02); },
         {0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00, 0x61}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.action();
        link.Process();
        EXPECT_EQ(LastWrite(), c.expected);
        EchoLastWrite();
    }
}

TEST_F(QueueTest, NullMoveOfSlot5) {
    OpenLink();
    link.SelectLoco(0, 300, 0);
    link.Process();
    EchoLastWrite();
    Receive(SlotData(5, 300, 0x03));
    EXPECT_EQ(LastWrite(), (Bytes{0xBA, 0x05, 0x05, 0x45}));
}

TEST_F(QueueTest, RefusalsShowTheirInternalErrorAndQueueNothing) {
    struct Case {
        LocoNetMessage message;
        std::uint32_t length; // overrides the record's length when not 0
        std::string text;
    };
    const std::vector<Case> cases = {
        {{0xA0, 0x03, 0x20},
         0,
         "Internal Error! Output message length does not correspond to opcode!"},
        {{0xB0, 0x01, 0x02, 0x00, 0x00, 0x00},
         0,
         "Internal Error! Output message length does not correspond to opcode!"},
        {{0xE5}, 1, "Internal Error! Output message length does not correspond to opcode!"},
        {{0xE5}, 128, "Internal Error! Output message too long!"},
        {{0xE5}, 33, "Internal Error! Output message too long!"},
        {{0x20, 0x00, 0x01, 0x00},
         0,
         "Internal Error! First byte of the output message is not an opcode!"},
        {{0xA0, 0x03, 0x80, 0x00},
         0,
         "Internal Error! Data bytes of the output message A0 03 80 00 have MSB set!"},
        {{0xE5, 0x00, 0x01, 0xFF, 0x00},
         0,
         "Internal Error! Data bytes of the output message E5 05 01 FF 00 have MSB set!"},
    };
    OpenLink();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LocoNetMessage m = c.message;
        if (c.length != 0)
            m.length = c.length;
        prompts.texts.clear();
        EXPECT_FALSE(link.QueueMessage(m));
        EXPECT_EQ(prompts.texts, std::vector<std::string>{c.text});
        EXPECT_TRUE(link.Queue().Empty());
    }
}

TEST_F(QueueTest, VariableLengthGetsItsLengthByteAndChecksum) {
    OpenLink();
    LocoNetMessage m{0xED, 0x05, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00, 0x00};
    ASSERT_TRUE(link.QueueMessage(m));
    link.Process();
    EXPECT_EQ(LastWrite(),
              (Bytes{0xED, 0x0B, 0x7F, 0x24, 0x02, 0x03, 0x22, 0x00, 0x00, 0x00, 0x61}));
}

TEST_F(QueueTest, HundredWaitingRefuseTheNextOnTheMonitorOnly) {
    // Closed link outside offline mode: commands still queue.
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(link.QueueMessage(Tagged(static_cast<std::uint8_t>(i))));
    EXPECT_FALSE(link.QueueMessage(Tagged(100)));
    EXPECT_EQ(lines, std::vector<std::string>{"Error! Message queue full"});
    EXPECT_TRUE(prompts.texts.empty());
    EXPECT_EQ(link.Queue().Count(), 100u);
    EXPECT_EQ(link.Queue().At(99).bytes[1], 99) << "the waiting ones stay";
    OpenLink();
    EXPECT_TRUE(link.Queue().Empty()) << "Open discards what waited";
}

// The interface stops confirming: a speed command is repeated every 200 ms, but track power
// off and an emergency stop reach the bus at the next turn, ahead of the repeat and of what
// waited; after a second the link says that nothing is confirmed.
TEST_F(QueueTest, EmergencyCommandsPassAMessageThatIsNotConfirmed) {
    OpenLink();
    link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00});
    link.Process();
    link.QueueMessage(LocoNetMessage{0xB0, 0x0A, 0x30, 0x00}); // a turnout
    clock.Advance(100);
    link.QueueMessage(LocoNetMessage{0x82, 0x00});
    link.QueueMessage(LocoNetMessage{0xA0, 0x05, 0x01, 0x00});
    clock.Advance(101);
    link.Process();
    EXPECT_EQ(LastWrite(), (Bytes{0x82, 0x7D}));
    EchoLastWrite();
    EXPECT_EQ(LastWrite(), (Bytes{0xA0, 0x05, 0x01, 0x5B}));
    EchoLastWrite();
    EXPECT_EQ(LastWrite(), (Bytes{0xA0, 0x03, 0x20, 0x7C})); // the repeat
    for (int step = 1; step <= 5; ++step) {
        clock.Advance(201);
        link.Process();
        EXPECT_EQ(LastWrite(), (Bytes{0xA0, 0x03, 0x20, 0x7C}));
        EXPECT_EQ(link.NotConfirming(), step == 5) << step; // 1,005 ms
    }
    EchoLastWrite();
    EXPECT_EQ(LastWrite()[0], 0xB0);
    EXPECT_FALSE(link.NotConfirming());
}

TEST_F(QueueTest, DebugModeTracesEveryQueuedMessage) {
    settings.DebugMode = 1;
    ASSERT_TRUE(link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x20, 0x00}));
    EXPECT_EQ(lines, std::vector<std::string>{"!!Message queued: A0 03 20 7C "});
}

TEST_F(QueueTest, OfflineQueuesNothingButReportsSuccess) {
    settings.settings.Offline = 1;
    OpenLink();
    EXPECT_EQ(port, nullptr) << "no port is opened offline";
    EXPECT_TRUE(link.QueueMessage(LocoNetMessage{0xA0, 0x03, 0x80, 0x00}));
    link.SetSlotSpeed(4, 20, false);
    EXPECT_EQ(link.Slot(4).SPD, 20) << "the table still changes";
    EXPECT_TRUE(link.Queue().Empty());
    EXPECT_TRUE(prompts.texts.empty());
}

} // namespace
