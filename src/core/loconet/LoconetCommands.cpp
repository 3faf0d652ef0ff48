// Slot commands: each writes the slot table and queues the message that carries the
// change. A slot outside 0..127 (for example -1, no slot) changes and sends nothing.

#include "core/loconet/Loconet.h"

#include "core/loconet/ImmediatePacket.h"
#include "core/loconet/MonitorText.h"
#include "core/util/Text.h"

#include <cmath>

namespace {

LocoNetMessage SlotMessage(Opcode opcode, int slot, std::uint8_t value) {
    return LocoNetMessage{static_cast<std::uint8_t>(opcode), static_cast<std::uint8_t>(slot), value,
                          0};
}
} // namespace

SlotRecord* CLoconet::Commandable(int slot, const char* command) {
    // Until the command station has said what the slot holds after the port came back, a
    // command might reach another locomotive.
    if (slots_.Doubted(slot)) {
        Trace(
            text::Format("%s : Slot:%d not sent, its locomotive is not confirmed", command, slot));
        return nullptr;
    }
    slots_.Changing(slot);
    return slots_.Mutable(slot);
}

void CLoconet::SetSlotSpeed(int slot, int speed, bool force) {
    SlotRecord* r = Commandable(slot, "SetSlotSpeed");
    if (r == nullptr)
        return;
    const auto value = static_cast<std::uint8_t>(speed);
    const int loco = GetSlotLocoAddress(slot);
    if (value == r->SPD && !force) {
        Trace(
            text::Format("SetSlotSpeed : Slot:%d,Loco:%d speed %d not changed", slot, loco, value));
        return;
    }
    Trace(text::Format("SetSlotSpeed : Slot:%d,Loco:%d new speed=%d", slot, loco, value));
    r->SPD = value;
    QueueMessage(SlotMessage(Opcode::OPC_LOCO_SPD, slot, value));
}

void CLoconet::SetSlotForw(int slot, bool forward, bool force) {
    SlotRecord* r = Commandable(slot, "SetSlotForw");
    if (r == nullptr)
        return;
    const auto value = static_cast<std::uint8_t>(forward ? r->DIRF & ~slotbits::kDirfBackward
                                                         : r->DIRF | slotbits::kDirfBackward);
    const int loco = GetSlotLocoAddress(slot);
    if (value == r->DIRF && !force) {
        Trace(text::Format("SetSlotForw : Slot:%d,Loco:%d dir %d not changed", slot, loco,
                           forward ? 1 : 0));
        return;
    }
    Trace(text::Format("SetSlotForw : Slot:%d,Loco:%d new dir=%d", slot, loco, forward ? 1 : 0));
    r->DIRF = value;
    QueueMessage(SlotMessage(Opcode::OPC_LOCO_DIRF, slot, value));
}

void CLoconet::SetSlotF0toF08(int slot, int function, bool state) {
    SlotRecord* r = Commandable(slot, "SetSlotF0toF08");
    if (r == nullptr)
        return;
    Trace(text::Format("SetSlotF0toF08 : Slot:%d,Loco:%d func=%d, state=%d", slot,
                       GetSlotLocoAddress(slot), function, state ? 1 : 0));
    if (function < 0 || function > 8)
        return;
    std::uint8_t& byte = function <= 4 ? r->DIRF : r->SND;
    std::uint8_t mask = 0;
    if (function == 0)
        mask = slotbits::kDirfF0;
    else if (function <= 4)
        mask = static_cast<std::uint8_t>(1u << (function - 1));
    else
        mask = static_cast<std::uint8_t>(1u << (function - 5));
    byte = static_cast<std::uint8_t>(state ? byte | mask : byte & ~mask);
    if (function <= 4)
        SendSlotDirF(slot);
    else
        SendSlotSnd(slot);
}

void CLoconet::SetSlotF0toF4(int slot, std::uint8_t bits, bool forward, bool force) {
    SlotRecord* r = Commandable(slot, "SetSlotF0toF4");
    if (r == nullptr)
        return;
    const auto value = static_cast<std::uint8_t>((bits & slotbits::kDirfFunctions) |
                                                 (forward ? 0 : slotbits::kDirfBackward));
    const std::string what = text::Format(
        "Slot:%d,Loco:%d %sDir=%d,F0toF4=%d%d%d%d%d", slot, GetSlotLocoAddress(slot),
        value == r->DIRF && !force ? "" : "new ", forward ? 1 : 0,
        monitortext::Bit(bits, slotbits::kDirfF0), monitortext::Bit(bits, 0x01),
        monitortext::Bit(bits, 0x02), monitortext::Bit(bits, 0x04), monitortext::Bit(bits, 0x08));
    if (value == r->DIRF && !force) {
        Trace("SetSlotF0toF4 : " + what + " not changed");
        return;
    }
    Trace("SetSlotF0toF4 : " + what);
    r->DIRF = value;
    QueueMessage(SlotMessage(Opcode::OPC_LOCO_DIRF, slot, value));
}

void CLoconet::SetSlotF5toF8(int slot, std::uint8_t bits, bool force) {
    SlotRecord* r = Commandable(slot, "SetSlotF5toF8");
    if (r == nullptr)
        return;
    const auto value =
        static_cast<std::uint8_t>((r->SND & slotbits::kSndKeep) | (bits & slotbits::kSndF5toF8));
    const int loco = GetSlotLocoAddress(slot);
    if (value == r->SND && !force) {
        Trace(text::Format("SetSlotF5toF8 : Slot:%d,Loco:%d F5toF8 %d%d%d%d not changed", slot,
                           loco, monitortext::Bit(bits, 0x01), monitortext::Bit(bits, 0x02),
                           monitortext::Bit(bits, 0x04), monitortext::Bit(bits, 0x08)));
        return;
    }
    Trace(text::Format("SetSlotF5toF8 : Slot:%d,Loco:%d new F5toF8=%d%d%d%d", slot, loco,
                       monitortext::Bit(bits, 0x01), monitortext::Bit(bits, 0x02),
                       monitortext::Bit(bits, 0x04), monitortext::Bit(bits, 0x08)));
    r->SND = value;
    QueueMessage(SlotMessage(Opcode::OPC_LOCO_SND, slot, value));
}

void CLoconet::SendImmF9toF12(int slot, std::uint8_t bits) {
    SlotRecord* r = Commandable(slot, "SendImmF9toF12");
    if (r == nullptr)
        return;
    Trace(text::Format("SendImmF9toF12 : Slot:%d,Loco:%d F9to12=%d%d%d%d", slot,
                       GetSlotLocoAddress(slot), monitortext::Bit(bits, 0x01),
                       monitortext::Bit(bits, 0x02), monitortext::Bit(bits, 0x04),
                       monitortext::Bit(bits, 0x08)));
    r->high = WithGroupBits(r->high, ImmGroup::F9toF12, bits);
    QueueMessage(BuildImmF9toF12(r->ADR, r->ADR2, bits & 0x0F));
}

void CLoconet::SendImmFunctions(int slot, ImmGroup group, std::uint8_t bits) {
    if (group == ImmGroup::F9toF12) {
        SendImmF9toF12(slot, bits);
        return;
    }
    SlotRecord* r = slots_.Mutable(slot);
    if (r == nullptr)
        return;
    slots_.Changing(slot);
    r->high = WithGroupBits(r->high, group, bits);
    const int first = FirstFunction(group);
    std::string line = text::Format("SendImmF%dtoF%d : Slot:%d,Loco:%d F%dto%d=", first, first + 7,
                                    slot, GetSlotLocoAddress(slot), first, first + 7);
    for (int bit = 0; bit < 8; ++bit)
        line += (bits >> bit) & 0x01 ? '1' : '0';
    Trace(line);
    QueueMessage(BuildImmFunctions(r->ADR, r->ADR2, group, bits));
}

void CLoconet::ReleaseLoco(int slot, const Throttle* by) {
    if (!IsSlotNumber(slot))
        return;
    // Another of the program's throttles still drives it: it stays theirs, untouched.
    if (const Throttle* other = OtherHolder(slot, by)) {
        Trace(text::Format("!!Slot %d kept: %s still holds it", slot, other->Title().c_str()));
        return;
    }
    SlotRecord* r = Commandable(slot, "ReleaseLoco");
    if (r == nullptr)
        return;
    selection_.Forget(slot);
    LogToMonitor(text::Format("!!Release Loco %d", GetSlotLocoAddress(slot)));
    r->STAT1 = static_cast<std::uint8_t>(r->STAT1 & ~slotbits::kStat1Busy);
    QueueMessage(SlotMessage(Opcode::OPC_SLOT_STAT1, slot, r->STAT1));
}

void CLoconet::ReturnUnwanted(int slot, const Throttle* by) {
    if (by != nullptr && selection_.HasTaken(by->registryIndex, slot))
        GiveBack(slot);
    else
        Trace(text::Format("!!Slot %d kept: not taken by this throttle", slot));
}

void CLoconet::GiveBack(int slot) {
    if (OtherHolder(slot, nullptr) != nullptr)
        return;
    SetSlotSpeed(slot, 0, false);
    ReleaseLoco(slot, nullptr);
}

void CLoconet::SendSlotDirF(int slot) {
    if (const SlotRecord* r = Commandable(slot, "SendSlotDirF"))
        QueueMessage(SlotMessage(Opcode::OPC_LOCO_DIRF, slot, r->DIRF));
}

void CLoconet::SendSlotSnd(int slot) {
    if (const SlotRecord* r = Commandable(slot, "SendSlotSnd"))
        QueueMessage(SlotMessage(Opcode::OPC_LOCO_SND, slot, r->SND));
}

int CLoconet::SpeedToPercent(int speed) {
    if (speed <= slotbits::kSpeedEmergency)
        return 0;
    const int percent = speed * 99 / 127;
    return percent < 1 ? 1 : (percent > 99 ? 99 : percent);
}

int CLoconet::PercentToSpeed(int percent) {
    // Held to the scale first: beyond it the 8-bit result would wrap round to a stop.
    if (percent < 0)
        percent = 0;
    if (percent > 99)
        percent = 99;
    const auto speed = static_cast<std::uint8_t>(std::lround(percent * 126 / 99.0) + 1);
    if (speed > 127)
        return 127;
    return speed <= 1 ? 0 : speed;
}
