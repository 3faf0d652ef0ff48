// What the link does with each intact message: the slot table, the throttles' updates
// and the decoded monitor line.

#include "core/loconet/Loconet.h"

#include "core/loconet/ImmediatePacket.h"
#include "core/loconet/MonitorText.h"
#include "core/util/Text.h"

#include <bitset>

using monitortext::AppendF;

namespace {
constexpr int kFirstLocoSlot = 1;
constexpr int kLastLocoSlot = 119;

} // namespace

bool CLoconet::Interpret(const LocoNetMessage& m, const std::string& header, bool fromOther,
                         bool& interpreted) {
    interpreted = true;
    switch (static_cast<Opcode>(m.bytes[0])) {
    case Opcode::OPC_SL_RD_DATA:
    case Opcode::OPC_WR_SL_DATA:
        return InterpretSlotData(m, header, fromOther);
    case Opcode::OPC_LOCO_SPD:
    case Opcode::OPC_LOCO_DIRF:
    case Opcode::OPC_LOCO_SND:
    case Opcode::OPC_SLOT_STAT1:
        return InterpretSlotByte(m, header, fromOther);
    case Opcode::OPC_IMM_PACKET:
        InterpretImmediate(m, header, fromOther);
        return true;
    case Opcode::OPC_SW_REQ:
    case Opcode::OPC_SW_ACK:
    case Opcode::OPC_SW_STATE:
    case Opcode::OPC_SW_REP:
    case Opcode::OPC_INPUT_REP: {
        std::string line = header;
        monitortext::AppendSwitchText(line, m);
        LogToMonitor(line);
        return true;
    }
    case Opcode::OPC_PEER_XFER: {
        std::string line = header;
        monitortext::AppendPeerXferText(line, m);
        LogToMonitor(line);
        return true;
    }
    case Opcode::OPC_IDLE:
        StopAllInTable();
        break;
    case Opcode::OPC_BUSY:
    case Opcode::OPC_GPOFF:
    case Opcode::OPC_GPON:
    case Opcode::OPC_LONG_ACK:
    case Opcode::OPC_MOVE_SLOTS:
    case Opcode::OPC_RQ_SL_DATA:
    case Opcode::OPC_LOCO_ADR:
        break;
    }
    interpreted = false;
    return true;
}

bool CLoconet::InterpretSlotData(const LocoNetMessage& m, const std::string& header,
                                 bool fromOther) {
    const bool read = m.bytes[0] == static_cast<std::uint8_t>(Opcode::OPC_SL_RD_DATA);
    if (m.bytes[1] != kSlotDataLength || m.length != kSlotDataLength) {
        LogToMonitor(read ? "Invalid 'Read slot data' length!"
                          : "Invalid 'Write slot data' length!");
        return false;
    }
    const int slot = m.bytes[2];
    if (!IsSlotNumber(slot)) {
        LogToMonitor(read ? "Invalid slot number in 'Read slot data'!" : "Invalid slot number");
        return false;
    }
    SlotRecord& r = *slots_.Mutable(slot);
    const SlotRecord before = r;
    r.SLOT = m.bytes[2];
    r.STAT1 = m.bytes[3];
    r.ADR = m.bytes[4];
    r.SPD = m.bytes[5];
    r.DIRF = m.bytes[6];
    r.TRK = m.bytes[7];
    r.SS2 = m.bytes[8];
    r.ADR2 = m.bytes[9];
    r.SND = m.bytes[10];
    r.ID1 = m.bytes[11];
    r.ID2 = m.bytes[12];
    r.valid = true;
    // Another locomotive in the slot: what was known of F9 to F28 was the other one's.
    if (!before.valid || before.Address() != r.Address())
        r.high = 0;
    std::string line = header;
    AppendF(line, read ? "Read Slot:%d,Loc:%d" : "Write Slot:%d,Loc:%d", slot,
            GetSlotLocoAddress(slot));
    LogToMonitor(line);
    const bool again = slots_.Settle(slot);
    if (fromOther)
        UpdateThrottles(stepTick_, slot, before, again);
    return true;
}

bool CLoconet::InterpretSlotByte(const LocoNetMessage& m, const std::string& header,
                                 bool fromOther) {
    const int slot = m.bytes[1];
    if (!IsSlotNumber(slot)) {
        LogToMonitor("Invalid slot number");
        return false;
    }
    SlotRecord& r = *slots_.Mutable(slot);
    const std::uint8_t value = m.bytes[2];
    std::uint8_t* target = nullptr;
    std::string line = header;
    switch (static_cast<Opcode>(m.bytes[0])) {
    case Opcode::OPC_LOCO_SPD:
        AppendF(line, "Loco Speed: Slt=%d,", slot);
        if (r.valid)
            AppendF(line, "Loc=%d,Sp=%d", r.Address(), value);
        target = &r.SPD;
        break;
    case Opcode::OPC_LOCO_DIRF:
        AppendF(line, "Loco DirF0-4: Slt=%d ", slot);
        if (r.valid)
            AppendF(line, "Loc=%d %s%d%d%d%d%d", r.Address(),
                    (value & slotbits::kDirfBackward) != 0 ? "B " : "F ",
                    monitortext::Bit(value, slotbits::kDirfF0), monitortext::Bit(value, 0x01),
                    monitortext::Bit(value, 0x02), monitortext::Bit(value, 0x04),
                    monitortext::Bit(value, 0x08));
        target = &r.DIRF;
        break;
    case Opcode::OPC_LOCO_SND:
        AppendF(line, "Loco F5-8: Slt=%d ", slot);
        if (r.valid)
            AppendF(line, "Loc=%d %d%d%d%d", r.Address(), monitortext::Bit(value, 0x01),
                    monitortext::Bit(value, 0x02), monitortext::Bit(value, 0x04),
                    monitortext::Bit(value, 0x08));
        target = &r.SND;
        break;
    default: // OPC_SLOT_STAT1
        AppendF(line, "Set Slot Stat: Slot=%d ", slot);
        if (r.valid)
            AppendF(line, "Loco=%d", r.Address());
        target = &r.STAT1;
        break;
    }
    LogToMonitor(line);
    // Our own commands wrote the table before sending, so only other stations' count.
    if (r.valid && fromOther) {
        const SlotRecord before = r;
        *target = value;
        UpdateThrottles(stepTick_, slot, before);
    }
    return true;
}

void CLoconet::InterpretImmediate(const LocoNetMessage& m, const std::string& header,
                                  bool fromOther) {
    const ImmFunctions imm = DecodeImmFunctions(m);
    std::string line = header + "OPc IMM: ";
    if (!imm.understood) {
        line += "unknown";
        LogToMonitor(line);
        return;
    }
    // The slot that holds the address: the highest of the locomotive slots wins.
    int found = kNoSlot;
    for (int s = kFirstLocoSlot; s <= kLastLocoSlot; ++s) {
        const SlotRecord& r = slots_.At(s);
        if (r.valid && r.ADR == imm.adr && r.ADR2 == imm.adr2)
            found = s;
    }
    if (imm.group == ImmGroup::F9toF12) {
        AppendF(line, "Slt=%d Loc=%d", found, imm.Address());
    } else {
        const int first = FirstFunction(imm.group);
        AppendF(line, "F%d-F%d Slt=%d Loc=%d ", first, first + 7, found, imm.Address());
        for (int bit = 0; bit < 8; ++bit)
            line += (imm.bits >> bit) & 0x01 ? '1' : '0';
    }
    LogToMonitor(line);
    if (!fromOther || found == kNoSlot)
        return;
    SlotRecord& r = *slots_.Mutable(found);
    r.high = WithGroupBits(r.high, imm.group, imm.bits);
    if (imm.group == ImmGroup::F9toF12) {
        SendF9toF12ToThrottles(found, imm.bits, stepTick_);
        return;
    }
    for (int i = 0; i < kRegistrySize; ++i)
        if (Throttle* t = registry_.Get(i); t != nullptr && t->iSlot == found)
            t->UpdateThrottleF13toF28(FirstFunction(imm.group), imm.bits, stepTick_);
}

void CLoconet::SendF9toF12ToThrottles(int slot, std::uint8_t bits, Tick now) {
    for (int i = 0; i < kRegistrySize; ++i) {
        if (Throttle* t = registry_.Get(i); t != nullptr && t->iSlot == slot)
            t->UpdateThrottleF9toF12(bits, now, kWhichLoco);
        // The entry is read again: the call above may have closed the throttle.
        Throttle* t = registry_.Get(i);
        if (t == nullptr || t->type != ThrottleType::Realistic)
            continue;
        if (t->iSoundSlot == slot)
            t->UpdateThrottleF9toF12(bits, now, kWhichSound);
        else if (t->iPowerSlot == slot)
            t->UpdateThrottleF9toF12(bits, now, kWhichPower);
        else if (t->iBrakeSlot == slot)
            t->UpdateThrottleF9toF12(bits, now, kWhichBrake);
    }
}

void CLoconet::UpdateThrottles(Tick now, int slot, const SlotRecord& before, bool again,
                               const Throttle* except) {
    Trace("Update Throttles start");
    const SlotRecord told = slots_.At(slot);
    for (int i = 0; i < kRegistrySize; ++i) {
        for (int which : {kWhichLoco, kWhichSound, kWhichPower, kWhichBrake}) {
            // Each call may close the throttle, so the entry is read before every call.
            Throttle* t = registry_.Get(i);
            if (t == nullptr || t == except || which >= t->Roles() || t->SlotFor(which) != slot)
                continue;
            const int address = t->AddressOf(which);
            if (address < 0 || slots_.Holds(slot, address)) {
                t->UpdateThrottle(now, which);
                if (registry_.Get(i) == t)
                    TellFunctions(*t, which, before.high, now);
                continue;
            }
            // The command station no longer keeps the address there: whatever the throttle
            // sent next would drive another locomotive, or none.
            LogToMonitor(text::Format("!!Slot %d no longer holds loco %d", slot, address));
            t->SlotFor(which) = kNoSlot;
            selection_.Forget(slot);
            t->SlotLost(now, which, again, before);
        }
    }
    // A phone's command is told here at once; the step tells only what the throttles changed
    // in answer to it.
    slots_.ToldFrom(slot, before, told);
    Trace("Update Throttles end");
}

void CLoconet::TellFunctions(Throttle& t, int which, std::uint32_t before, Tick now) {
    const std::uint32_t high = slots_.At(t.SlotFor(which)).high;
    if (GroupBits(high, ImmGroup::F9toF12) != GroupBits(before, ImmGroup::F9toF12))
        t.UpdateThrottleF9toF12(GroupBits(high, ImmGroup::F9toF12), now, which);
    if (which != kWhichLoco)
        return;
    for (ImmGroup group : {ImmGroup::F13toF20, ImmGroup::F21toF28})
        if (GroupBits(high, group) != GroupBits(before, group))
            t.UpdateThrottleF13toF28(FirstFunction(group), GroupBits(high, group), now);
}

void CLoconet::TellOwnChanges() {
    SlotRecord told;
    for (int slot = slots_.TakeUntold(0, told); slot != kNoSlot;
         slot = slots_.TakeUntold(slot + 1, told)) {
        const SlotRecord& now = slots_.At(slot);
        const bool bytes = !now.SameBytes(told);
        if (!bytes && now.high == told.high)
            continue;
        for (int i = 0; i < kRegistrySize; ++i) {
            Throttle* t = registry_.Get(i);
            if (t == nullptr || t->type == ThrottleType::Realistic || t->iSlot != slot)
                continue;
            if (bytes)
                t->UpdateThrottle(stepTick_, kWhichLoco);
            if (registry_.Get(i) == t)
                TellFunctions(*t, kWhichLoco, told.high, stepTick_);
        }
    }
}

void CLoconet::StopAllInTable() {
    std::bitset<kSlotCount> stopped;
    for (int slot = kFirstLocoSlot; slot <= kLastLocoSlot; ++slot) {
        SlotRecord& r = *slots_.Mutable(slot);
        if (!r.valid || (r.STAT1 & slotbits::kStat1StateMask) == slotbits::kStat1Free ||
            r.SPD == slotbits::kSpeedEmergency)
            continue;
        r.SPD = slotbits::kSpeedEmergency;
        stopped.set(static_cast<std::size_t>(slot));
    }
    // Once for each throttle, on its first role that stopped: the realistic train brakes
    // once and sets its hand-helds itself.
    for (int i = 0; i < kRegistrySize; ++i) {
        Throttle* t = registry_.Get(i);
        for (int which = kWhichLoco; t != nullptr && which < t->Roles(); ++which) {
            const int slot = t->SlotFor(which);
            if (IsSlotNumber(slot) && stopped.test(static_cast<std::size_t>(slot))) {
                t->UpdateThrottle(stepTick_, which);
                break;
            }
        }
    }
}
