#include "core/throttles/LocoRecord.h"

#include "core/roster/Roster.h"
#include "core/util/Text.h"

Loco BuiltInLoco() {
    Loco loco;
    loco.Descr = "Default Loco";
    loco.MotorAddr = 3;
    loco.Axels = 4;
    loco.Power = 2500;
    loco.Weight = 200;
    return loco;
}

SoundDecoderType DecoderTypeOf(const Loco& loco, const DecoderTable& types) {
    if (types.count <= 0)
        return SoundDecoderType{};
    const int row =
        loco.SoundDecoder >= 0 && loco.SoundDecoder < types.count ? loco.SoundDecoder : 0;
    return types.rows[static_cast<std::size_t>(row)];
}

std::string LocoDescription(const Loco& loco, const SoundDecoderType& type) {
    std::string sound = "Z:Brez";
    if (type.Type == 1)
        sound = "Z:" + type.NameSl;
    else if (type.Type == 2)
        sound = text::Format("Z:%d %s", loco.SoundAddr, type.NameSl.c_str());
    return text::Format("M:%d, %s, P:%.0fhp, W:%.0ft", loco.MotorAddr, sound.c_str(), loco.Power,
                        loco.Weight);
}

Loco WithDecoderDefaults(Loco loco, const DecoderTable& types) {
    if (loco.UseDecoderDefaults != 0 && loco.SoundDecoder >= 0 && loco.SoundDecoder < types.count) {
        const SoundDecoderType& type = types.rows[static_cast<std::size_t>(loco.SoundDecoder)];
        loco.SoundSpeedTable = type.SpeedTable;
        loco.FuncUp = type.FuncUp;
        loco.FuncDown = type.FuncDown;
    }
    return loco;
}

int FreeLocoId(const Roster& roster) {
    int id = 0;
    while (roster.FindById(id) >= 0)
        ++id;
    return id;
}
