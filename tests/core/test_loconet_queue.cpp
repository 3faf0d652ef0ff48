// Messages the link builds, the checks of QueueMessage and the output queue's order.

#include "core/loconet/OutputQueue.h"
#include "support/LoconetFixture.h"

namespace {

LocoNetMessage Tagged(std::uint8_t tag) {
    return LocoNetMessage{0xA0, tag, 0x00, 0x00};
}

TEST(OutputQueueTest, FirstInFirstOutWithPutBackAheadUpTo102) {
    OutputQueue q;
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(q.Push(Tagged(static_cast<std::uint8_t>(i))));
    EXPECT_FALSE(q.Push(Tagged(100))) << "the 101st new message must be refused";
    EXPECT_TRUE(q.PutBack(Tagged(101)));
    EXPECT_TRUE(q.PutBack(Tagged(102)));
    EXPECT_FALSE(q.PutBack(Tagged(103))) << "no room beyond 102";
    ASSERT_EQ(q.Count(), 102u);
    EXPECT_EQ(q.Pop().bytes[1], 102);
    EXPECT_EQ(q.Pop().bytes[1], 101);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(q.Pop().bytes[1], i) << "oldest first";
    EXPECT_TRUE(q.Empty());
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
