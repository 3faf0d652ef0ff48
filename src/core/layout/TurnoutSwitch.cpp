#include "core/layout/TurnoutSwitch.h"

#include "core/util/Text.h"

LocoNetMessage SwitchRequest(int address, bool closed) {
    const int number = address - 1;
    const auto sw1 = static_cast<std::uint8_t>(number & 0x7F);
    auto sw2 = static_cast<std::uint8_t>(((number >> 7) & 0x0F) | switchbits::kOn);
    if (closed)
        sw2 |= switchbits::kClosed;
    return LocoNetMessage{static_cast<std::uint8_t>(Opcode::OPC_SW_REQ), sw1, sw2, 0};
}

SwitchPlan SwitchRequestsFor(const TurnoutData& turnout, int position) {
    SwitchPlan plan;
    if (position < 0 || position >= static_cast<int>(turnout.output[0].states.size()))
        return plan;
    for (int o = 0; o < turnout.outputs && o < TurnoutData::kMaxOutputs; ++o) {
        const TurnoutOutput& out = turnout.output[o];
        const int state = out.states[position];
        if (state != OutputState::kClosed && state != OutputState::kThrown)
            continue;
        std::string skipped;
        if (out.address == 0)
            skipped = text::Format("izhod %d nima naslova, ni poslano", o + 1);
        else if (out.address < 1 || out.address > kMaxSwitchAddress)
            skipped = text::Format("naslov %d izhoda %d ni med 1 in %d, ni poslano", out.address,
                                   o + 1, kMaxSwitchAddress);
        if (skipped.empty())
            plan.messages.push_back(SwitchRequest(out.address, state == OutputState::kClosed));
        else
            plan.note += (plan.note.empty() ? "" : "; ") + skipped;
    }
    return plan;
}
