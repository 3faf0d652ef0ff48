#include "core/sim/SimCommandStation.h"

#include "core/loconet/ImmediatePacket.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kTrackPowerOn = 0x07; // power on, running, LocoNet 1.1

constexpr std::uint8_t Op(Opcode opcode) {
    return static_cast<std::uint8_t>(opcode);
}

// A long acknowledge of the opcode: `ack` 0 refuses, 0x7F accepts.
std::vector<std::uint8_t> LongAck(Opcode answered, std::uint8_t ack) {
    return {Op(Opcode::OPC_LONG_ACK), LongAckCode(answered), ack, 0};
}

bool HasIntactChecksum(const std::vector<std::uint8_t>& msg) {
    std::uint8_t x = 0;
    for (std::uint8_t b : msg)
        x ^= b;
    return x == 0xFF;
}

void FillChecksum(std::vector<std::uint8_t>& msg) {
    msg.back() = Checksum(msg.data(), static_cast<std::uint32_t>(msg.size() - 1));
}

std::uint8_t FunctionBit(int function) {
    if (function == 0)
        return slotbits::kDirfF0;
    if (function <= 4)
        return static_cast<std::uint8_t>(1u << (function - 1));
    if (function <= 8)
        return static_cast<std::uint8_t>(1u << (function - 5));
    return static_cast<std::uint8_t>(1u << (function - 9));
}

} // namespace

SimCommandStation::SimCommandStation(Clock& clock) : clock_(clock) {
    for (int i = 0; i < kSlotCount; ++i) {
        auto& b = slots_[static_cast<std::size_t>(i)].bytes;
        b[SimSlotByte::SLOT] = static_cast<std::uint8_t>(i);
        b[SimSlotByte::STAT1] = SimStat1::kFree | SimStat1::kDecoder128;
        b[SimSlotByte::TRK] = kTrackPowerOn;
    }
}

// ---------------------------------------------------------------------------------------------
// Bytes from the program

void SimCommandStation::Write(const std::uint8_t* data, std::size_t count) {
    if (data == nullptr)
        return;
    for (std::size_t i = 0; i < count; ++i)
        Assemble(data[i]);
}

void SimCommandStation::Assemble(std::uint8_t byte) {
    if (byte & 0x80) {
        // An opcode always starts a new message; an unfinished one never reached the bus whole.
        rx_.assign(1, byte);
        expected_ = ExpectedLength(byte);
        receiving_ = true;
        return;
    }
    if (!receiving_)
        return; // a stray data byte: nothing to frame it, so it is lost as on a real bus
    if (expected_ == 0) {
        if (byte < 2 || byte > LocoNetMessage::kCapacity) {
            receiving_ = false; // impossible length: drop it rather than wait for it
            rx_.clear();
            return;
        }
        expected_ = byte;
    }
    rx_.push_back(byte);
    if (rx_.size() >= expected_) {
        receiving_ = false;
        std::vector<std::uint8_t> msg;
        msg.swap(rx_);
        HandleMessage(msg);
    }
}

void SimCommandStation::HandleMessage(const std::vector<std::uint8_t>& msg) {
    if (trace_)
        trace_('R', msg);
    // The interface returns every message before the station can answer it.
    if (loseEchoes_ > 0)
        --loseEchoes_;
    else
        Queue(msg, 0);
    if (HasIntactChecksum(msg))
        Answer(msg);
}

void SimCommandStation::Answer(const std::vector<std::uint8_t>& msg) {
    switch (msg[0]) {
    case Op(Opcode::OPC_LOCO_ADR):
        AnswerLocoAddress(msg[1] * 128 + msg[2]);
        break;
    case Op(Opcode::OPC_MOVE_SLOTS):
        AnswerMove(msg[1], msg[2]);
        break;
    case Op(Opcode::OPC_RQ_SL_DATA):
        QueueWithChecksum(SlotData(msg[1]), answerDelayMs_);
        break;
    case Op(Opcode::OPC_LOCO_SPD):
        UpdateSlotByte(msg[1], SimSlotByte::SPD, msg[2], true);
        break;
    case Op(Opcode::OPC_LOCO_DIRF):
        UpdateSlotByte(msg[1], SimSlotByte::DIRF, msg[2], true);
        break;
    case Op(Opcode::OPC_LOCO_SND):
        UpdateSlotByte(msg[1], SimSlotByte::SND, msg[2], true);
        break;
    case Op(Opcode::OPC_SLOT_STAT1):
        UpdateSlotByte(msg[1], SimSlotByte::STAT1, msg[2], false);
        break;
    case Op(Opcode::OPC_WR_SL_DATA):
        WriteSlotData(msg);
        break;
    case Op(Opcode::OPC_GPON):
        SetTrackPower(true);
        break;
    case Op(Opcode::OPC_GPOFF):
        SetTrackPower(false);
        break;
    case Op(Opcode::OPC_IDLE):
        StopAll();
        break;
    case Op(Opcode::OPC_IMM_PACKET):
        // Accepted for the track. The answer matters: the opcode asks for a reply, and
        // every other station holds its own messages until one comes.
        QueueWithChecksum(LongAck(Opcode::OPC_IMM_PACKET, 0x7F), answerDelayMs_);
        break;
    default: // everything else: on the bus, nothing to answer
        break;
    }
}

void SimCommandStation::AnswerLocoAddress(int address) {
    int slot = FindSlot(address);
    if (slot < 0 && !noFreeSlot_)
        slot = AllocateSlot(address);
    if (slot < 0) {
        QueueWithChecksum(LongAck(Opcode::OPC_LOCO_ADR, 0), answerDelayMs_);
        return;
    }
    QueueWithChecksum(SlotData(slot), answerDelayMs_);
}

void SimCommandStation::AnswerMove(int src, int dst) {
    const int slot = refuseMoves_ ? -1 : Move(src, dst);
    if (slot < 0)
        QueueWithChecksum(LongAck(Opcode::OPC_MOVE_SLOTS, 0), answerDelayMs_);
    else
        QueueWithChecksum(SlotData(slot), answerDelayMs_);
}

int SimCommandStation::Move(int src, int dst) {
    // Slot 0 stands for dispatch. Moving a locomotive from one slot to another is not
    // supported.
    if (src == kDispatchSlot)
        return DispatchGet();
    if (dst == kDispatchSlot)
        return DispatchPut(src);
    if (src != dst || src < kFirstLocoSlot || src > kLastLocoSlot)
        return -1;
    // The null move takes the slot into use; taken so, it is no longer there for the taking.
    SetSlotState(src, SimStat1::kInUse);
    if (dispatched_ == src)
        dispatched_ = -1;
    return src;
}

int SimCommandStation::DispatchPut(int slot) {
    if (slot < kFirstLocoSlot || slot > kLastLocoSlot)
        return -1;
    const std::uint8_t state = Slot(slot).bytes[SimSlotByte::STAT1] & SimStat1::kStateMask;
    if (state != SimStat1::kCommon && state != SimStat1::kInUse)
        return -1;
    // The throttle that held it has let it go; the one that gets it takes it into use.
    SetSlotState(slot, SimStat1::kCommon);
    dispatched_ = slot;
    return slot;
}

int SimCommandStation::DispatchGet() {
    const int slot = dispatched_;
    dispatched_ = -1;
    if (slot < 0 ||
        (Slot(slot).bytes[SimSlotByte::STAT1] & SimStat1::kStateMask) == SimStat1::kFree)
        return -1;
    SetSlotState(slot, SimStat1::kInUse);
    return slot;
}

void SimCommandStation::SetSlotState(int slot, std::uint8_t state) {
    SimSlot& s = slots_[static_cast<std::size_t>(slot)];
    s.bytes[SimSlotByte::STAT1] =
        static_cast<std::uint8_t>((s.bytes[SimSlotByte::STAT1] & ~SimStat1::kStateMask) | state);
    s.lastActivity = clock_.Now();
}

void SimCommandStation::WriteSlotData(const std::vector<std::uint8_t>& msg) {
    if (msg.size() != kSlotDataLength || msg[1] != kSlotDataLength)
        return;
    const int slot = msg[2];
    if (slot < 0 || slot >= kSlotCount)
        return;
    SimSlot& s = slots_[static_cast<std::size_t>(slot)];
    for (std::size_t i = 1; i < s.bytes.size(); ++i)
        s.bytes[i] = msg[2 + i];
    s.lastActivity = clock_.Now();
    QueueWithChecksum(LongAck(Opcode::OPC_WR_SL_DATA, 0x7F), answerDelayMs_);
}

void SimCommandStation::UpdateSlotByte(int slot, int index, std::uint8_t value, bool activity) {
    if (slot < 0 || slot >= kSlotCount)
        return;
    SimSlot& s = slots_[static_cast<std::size_t>(slot)];
    s.bytes[static_cast<std::size_t>(index)] = value;
    if (activity)
        s.lastActivity = clock_.Now();
}

void SimCommandStation::SetTrackPower(bool on) {
    // Without power nothing goes to the track, but every slot keeps its speed and functions
    // for when it comes back.
    for (SimSlot& s : slots_) {
        std::uint8_t& trk = s.bytes[SimSlotByte::TRK];
        trk =
            static_cast<std::uint8_t>(on ? trk | slotbits::kTrkPower : trk & ~slotbits::kTrkPower);
    }
}

void SimCommandStation::StopAll() {
    for (int i = kFirstLocoSlot; i <= kLastLocoSlot; ++i) {
        SimSlot& s = slots_[static_cast<std::size_t>(i)];
        if ((s.bytes[SimSlotByte::STAT1] & SimStat1::kStateMask) != SimStat1::kFree)
            s.bytes[SimSlotByte::SPD] = slotbits::kSpeedEmergency;
    }
}

void SimCommandStation::StationPower(bool on) {
    StationMessage({Op(on ? Opcode::OPC_GPON : Opcode::OPC_GPOFF), 0});
}

void SimCommandStation::StationStopAll() {
    StationMessage({Op(Opcode::OPC_IDLE), 0});
}

bool SimCommandStation::TrackPowerOn() const {
    return (slots_[0].bytes[SimSlotByte::TRK] & slotbits::kTrkPower) != 0;
}

// ---------------------------------------------------------------------------------------------
// Slots

const SimSlot& SimCommandStation::Slot(int slot) const {
    static const SimSlot kNone{};
    if (slot < 0 || slot >= kSlotCount)
        return kNone;
    return slots_[static_cast<std::size_t>(slot)];
}

int SimCommandStation::FindSlot(int address) const {
    if (address < 0 || address > 0x3FFF)
        return -1;
    for (int i = kFirstLocoSlot; i <= kLastLocoSlot; ++i) {
        const auto& b = slots_[static_cast<std::size_t>(i)].bytes;
        if ((b[SimSlotByte::STAT1] & SimStat1::kStateMask) != SimStat1::kFree &&
            b[SimSlotByte::ADR] == (address & 0x7F) && b[SimSlotByte::ADR2] == (address >> 7))
            return i;
    }
    return -1;
}

int SimCommandStation::AllocateSlot(int address) {
    if (address < 0 || address > 0x3FFF)
        return -1;
    for (int i = kFirstLocoSlot; i <= kLastLocoSlot; ++i) {
        SimSlot& s = slots_[static_cast<std::size_t>(i)];
        if ((s.bytes[SimSlotByte::STAT1] & SimStat1::kStateMask) != SimStat1::kFree)
            continue;
        s.bytes = {};
        s.bytes[SimSlotByte::SLOT] = static_cast<std::uint8_t>(i);
        s.bytes[SimSlotByte::STAT1] = SimStat1::kCommon | SimStat1::kDecoder128;
        s.bytes[SimSlotByte::ADR] = static_cast<std::uint8_t>(address & 0x7F);
        s.bytes[SimSlotByte::ADR2] = static_cast<std::uint8_t>(address >> 7);
        s.bytes[SimSlotByte::TRK] = slots_[0].bytes[SimSlotByte::TRK];
        s.lastActivity = clock_.Now();
        return i;
    }
    return -1;
}

std::vector<std::uint8_t> SimCommandStation::SlotData(int slot) const {
    // Sized once and filled in place: opcode, length, the eleven slot bytes, checksum.
    std::vector<std::uint8_t> msg(kSlotDataLength, 0);
    msg[0] = Op(Opcode::OPC_SL_RD_DATA);
    msg[1] = kSlotDataLength;
    const auto& b = Slot(slot).bytes;
    std::copy(b.begin(), b.end(), msg.begin() + 2);
    msg[2] = static_cast<std::uint8_t>(slot & 0x7F);
    return msg;
}

void SimCommandStation::Purge() {
    if (purgeMs_ == 0)
        return;
    const Tick now = clock_.Now();
    for (int i = kFirstLocoSlot; i <= kLastLocoSlot; ++i) {
        SimSlot& s = slots_[static_cast<std::size_t>(i)];
        std::uint8_t& stat1 = s.bytes[SimSlotByte::STAT1];
        if ((stat1 & SimStat1::kStateMask) == SimStat1::kInUse &&
            ElapsedTicks(now, s.lastActivity) >= purgeMs_)
            stat1 = static_cast<std::uint8_t>((stat1 & ~SimStat1::kStateMask) | SimStat1::kCommon);
    }
}

// ---------------------------------------------------------------------------------------------
// Output

void SimCommandStation::QueueWithChecksum(std::vector<std::uint8_t> bytes, std::uint32_t delay) {
    FillChecksum(bytes);
    Queue(std::move(bytes), delay);
}

void SimCommandStation::Queue(std::vector<std::uint8_t> bytes, std::uint32_t delay) {
    if (pending_.size() >= kMaxPendingChunks)
        pending_.pop_front();
    pending_.push_back(Pending{std::move(bytes), clock_.Now(), delay});
    Release();
}

void SimCommandStation::Release() {
    const Tick now = clock_.Now();
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (ElapsedTicks(now, it->queued) < it->delay) {
            ++it;
            continue;
        }
        std::vector<std::uint8_t> chunk = std::move(it->bytes);
        it = pending_.erase(it);
        Deliver(std::move(chunk));
    }
}

void SimCommandStation::Deliver(std::vector<std::uint8_t> chunk) {
    if (strayNext_) {
        strayNext_ = false;
        Deliver({strayValue_});
    }
    if (corruptNext_ && chunk.size() >= 2) {
        // The checksum byte: the framing (a length byte) stays right, the check fails.
        chunk.back() ^= 0x01;
        corruptNext_ = false;
    }
    if (trace_)
        trace_('T', chunk);
    if (out_.size() >= kMaxPendingChunks) {
        out_.pop_front();
        outOffset_ = 0;
    }
    out_.push_back(std::move(chunk));
}

std::uint32_t SimCommandStation::LongestWait() const {
    const Tick now = clock_.Now();
    std::uint32_t longest = 0;
    for (const Pending& p : pending_) {
        const std::uint32_t elapsed = ElapsedTicks(now, p.queued);
        if (elapsed < p.delay)
            longest = std::max(longest, p.delay - elapsed);
    }
    return longest;
}

void SimCommandStation::Poll() {
    Purge();
    Release();
}

bool SimCommandStation::HasOutput() {
    Release();
    return !out_.empty();
}

std::size_t SimCommandStation::Read(std::uint8_t* buffer, std::size_t capacity) {
    if (buffer == nullptr)
        return 0;
    Release();
    std::size_t n = 0;
    while (n < capacity && !out_.empty()) {
        const auto& chunk = out_.front();
        const std::size_t take = std::min(capacity - n, chunk.size() - outOffset_);
        std::copy_n(chunk.begin() + static_cast<std::ptrdiff_t>(outOffset_), take, buffer + n);
        n += take;
        outOffset_ += take;
        if (outOffset_ >= chunk.size()) {
            out_.pop_front();
            outOffset_ = 0;
        }
    }
    return n;
}

std::vector<std::uint8_t> SimCommandStation::TakeChunk() {
    Release();
    if (out_.empty())
        return {};
    std::vector<std::uint8_t> chunk(out_.front().begin() + static_cast<std::ptrdiff_t>(outOffset_),
                                    out_.front().end());
    out_.pop_front();
    outOffset_ = 0;
    return chunk;
}

// ---------------------------------------------------------------------------------------------
// Other stations

void SimCommandStation::StationMessage(std::vector<std::uint8_t> bytes) {
    FillChecksum(bytes);
    // Another station waits for the answers already due, as a throttle waits for its slot.
    Queue(bytes, LongestWait());
    Answer(bytes);
}

bool SimCommandStation::SendFromStation(std::vector<std::uint8_t> bytes) {
    if (bytes.size() < 2 || bytes.size() > LocoNetMessage::kCapacity || !(bytes[0] & 0x80))
        return false;
    const std::uint32_t expected = ExpectedLength(bytes[0]);
    if (expected != 0 && expected != bytes.size())
        return false;
    if (expected == 0)
        bytes[1] = static_cast<std::uint8_t>(bytes.size());
    for (std::size_t i = 1; i + 1 < bytes.size(); ++i)
        if (bytes[i] & 0x80)
            return false;
    StationMessage(std::move(bytes));
    return true;
}

SimThrottle* SimCommandStation::ThrottleFor(int address) {
    for (auto& t : throttles_)
        if (t.address == address)
            return &t;
    return nullptr;
}

int SimCommandStation::ThrottleAcquire(int address) {
    if (address < 0 || address > 9983)
        return -1;
    StationMessage({Op(Opcode::OPC_LOCO_ADR), static_cast<std::uint8_t>(address >> 7),
                    static_cast<std::uint8_t>(address & 0x7F), 0});
    const int slot = FindSlot(address);
    if (slot < 0)
        return -1;
    StationMessage({Op(Opcode::OPC_MOVE_SLOTS), static_cast<std::uint8_t>(slot),
                    static_cast<std::uint8_t>(slot), 0});
    HoldSlot(address, slot);
    return slot;
}

void SimCommandStation::HoldSlot(int address, int slot) {
    SimThrottle* t = ThrottleFor(address);
    if (t == nullptr) {
        throttles_.push_back(SimThrottle{address, slot});
        t = &throttles_.back();
    }
    t->slot = slot;
}

// The slot a hand-held throttle drives; it acquires the address first when it holds none.
static int ThrottleSlot(SimCommandStation& cs, SimThrottle* t, int address) {
    if (t != nullptr && t->slot >= 0 && cs.FindSlot(address) == t->slot)
        return t->slot;
    return cs.ThrottleAcquire(address);
}

bool SimCommandStation::ThrottleSpeed(int address, int speedByte) {
    if (speedByte < 0 || speedByte > 127)
        return false;
    const int slot = ThrottleSlot(*this, ThrottleFor(address), address);
    if (slot < 0)
        return false;
    StationMessage({Op(Opcode::OPC_LOCO_SPD), static_cast<std::uint8_t>(slot),
                    static_cast<std::uint8_t>(speedByte), 0});
    return true;
}

bool SimCommandStation::ThrottleEmergencyStop(int address) {
    return ThrottleSpeed(address, slotbits::kSpeedEmergency);
}

bool SimCommandStation::ThrottleDirection(int address, bool backward) {
    const int slot = ThrottleSlot(*this, ThrottleFor(address), address);
    if (slot < 0)
        return false;
    std::uint8_t dirf = Slot(slot).bytes[SimSlotByte::DIRF];
    dirf = static_cast<std::uint8_t>(backward ? (dirf | slotbits::kDirfBackward)
                                              : (dirf & ~slotbits::kDirfBackward));
    StationMessage({Op(Opcode::OPC_LOCO_DIRF), static_cast<std::uint8_t>(slot), dirf, 0});
    return true;
}

bool SimCommandStation::ThrottleFunction(int address, int function, bool on) {
    if (function < 0 || function > 28)
        return false;
    const int slot = ThrottleSlot(*this, ThrottleFor(address), address);
    SimThrottle* t = ThrottleFor(address);
    if (slot < 0 || t == nullptr)
        return false;
    auto apply = [&](std::uint8_t v, std::uint8_t bit) {
        return static_cast<std::uint8_t>(on ? (v | bit) : (v & ~bit));
    };
    const auto& b = Slot(slot).bytes;
    const auto s = static_cast<std::uint8_t>(slot);
    if (function <= 4) {
        StationMessage(
            {Op(Opcode::OPC_LOCO_DIRF), s, apply(b[SimSlotByte::DIRF], FunctionBit(function)), 0});
        return true;
    }
    if (function <= 8) {
        StationMessage(
            {Op(Opcode::OPC_LOCO_SND), s, apply(b[SimSlotByte::SND], FunctionBit(function)), 0});
        return true;
    }
    // F9 and up travel as DCC packets, as hand-held throttles send them: function group two
    // (101x DDDD) for F9 to F12, feature expansion 0xDE and 0xDF for F13 to F20 and F21 to F28.
    std::vector<std::uint8_t> packet;
    const int address14 = Slot(slot).Address();
    if (address14 < 128) {
        packet.push_back(static_cast<std::uint8_t>(address14));
    } else {
        packet.push_back(static_cast<std::uint8_t>(dcc::kLongAddress | (address14 >> 8)));
        packet.push_back(static_cast<std::uint8_t>(address14 & 0xFF));
    }
    if (function <= 12) {
        t->f9to12 = apply(t->f9to12, FunctionBit(function));
        packet.push_back(static_cast<std::uint8_t>(dcc::kFunctionGroupTwo | t->f9to12));
    } else {
        std::uint8_t& group = function <= 20 ? t->f13to20 : t->f21to28;
        group = apply(group, static_cast<std::uint8_t>(1u << ((function - 13) % 8)));
        packet.push_back(function <= 20 ? dcc::kExpansionF13 : dcc::kExpansionF21);
        packet.push_back(group);
    }
    std::vector<std::uint8_t> msg{Op(Opcode::OPC_IMM_PACKET), dcc::kImmLength, dcc::kImmFixed,
                                  static_cast<std::uint8_t>((packet.size() << 4) | dcc::kRepeats),
                                  0};
    for (std::size_t i = 0; i < packet.size(); ++i) {
        if (packet[i] & 0x80)
            msg[4] = static_cast<std::uint8_t>(msg[4] | (1u << i));
        msg.push_back(packet[i] & 0x7F);
    }
    msg.resize(dcc::kImmLength, 0);
    StationMessage(std::move(msg));
    return true;
}

bool SimCommandStation::ThrottleRelease(int address) {
    SimThrottle* t = ThrottleFor(address);
    const int slot = FindSlot(address);
    if (t == nullptr || slot < 0)
        return false;
    const auto stat1 =
        static_cast<std::uint8_t>(Slot(slot).bytes[SimSlotByte::STAT1] & ~slotbits::kStat1Busy);
    StationMessage({Op(Opcode::OPC_SLOT_STAT1), static_cast<std::uint8_t>(slot), stat1, 0});
    t->slot = -1;
    return true;
}

int SimCommandStation::ThrottleDispatch(int address) {
    const int slot = FindSlot(address);
    if (slot < 0)
        return -1;
    StationMessage({Op(Opcode::OPC_MOVE_SLOTS), static_cast<std::uint8_t>(slot), kDispatchSlot, 0});
    if (dispatched_ != slot)
        return -1;
    if (SimThrottle* t = ThrottleFor(address))
        t->slot = -1;
    return slot;
}

int SimCommandStation::ThrottleTakeDispatched() {
    const int slot = dispatched_;
    StationMessage({Op(Opcode::OPC_MOVE_SLOTS), kDispatchSlot, kDispatchSlot, 0});
    if (slot < 0 || dispatched_ >= 0)
        return -1;
    HoldSlot(Slot(slot).Address(), slot);
    return slot;
}

bool SimCommandStation::SetConsistMember(int address, bool member) {
    int slot = FindSlot(address);
    if (slot < 0)
        slot = AllocateSlot(address);
    if (slot < 0)
        return false;
    std::uint8_t& stat1 = slots_[static_cast<std::size_t>(slot)].bytes[SimSlotByte::STAT1];
    stat1 = static_cast<std::uint8_t>(member ? (stat1 | SimStat1::kConsistUp)
                                             : (stat1 & ~SimStat1::kConsistUp));
    return true;
}

bool SimCommandStation::SensorReport(int address, bool level) {
    if (address < 1 || address > 0x1000)
        return false;
    // Two inputs share a number; the lower bit of the address picks the one.
    const int number = (address - 1) >> 1;
    const int half = (address - 1) & 1;
    StationMessage(
        {Op(Opcode::OPC_INPUT_REP), static_cast<std::uint8_t>(number & 0x7F),
         static_cast<std::uint8_t>(0x40 | (half ? 0x20 : 0) | (level ? 0x10 : 0) | (number >> 7)),
         0});
    return true;
}

bool SimCommandStation::SwitchReport(int number, bool closedOn, bool thrownOn) {
    if (number < 0 || number > 0x7FF)
        return false;
    StationMessage(
        {Op(Opcode::OPC_SW_REP), static_cast<std::uint8_t>(number & 0x7F),
         static_cast<std::uint8_t>((closedOn ? 0x20 : 0) | (thrownOn ? 0x10 : 0) | (number >> 7)),
         0});
    return true;
}
