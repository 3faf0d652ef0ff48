#include "tools/train/TrainTool.h"

#include "core/throttles/TrainModel.h"
#include "core/util/Text.h"
#include "tools/common/ToolArgs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <ostream>

namespace {

using toolargs::BadArgs;
using toolargs::IntegerIn;
using toolargs::NumberIn;

const char* const kUsage =
    "usage: vlakomat-train --power HP --weight T --axles N [--cars N] [--load PCT]\n"
    "                      [--grade PCT] --duration S [--at S key=value ...]... [--csv]\n"
    "  --at S takes effect just before the step at S seconds; keys:\n"
    "    power=0..8  brake=0..99 (psi, or level 0..10 with the locomotive brake)\n"
    "    brake-type=T|L  direction=F|B\n"
    "Settings come from vlakomat.ini in the current directory when it exists.\n";

constexpr double kMaxDuration = 1e6; // seconds; keeps a run to about 10^8 steps
constexpr std::uint32_t kStepMs = 10;

struct Change {
    std::int64_t tick = 0; // milliseconds
    std::string key;
    std::string value;
};

struct Options {
    std::optional<double> power, weight, duration;
    std::optional<int> axles;
    unsigned cars = 0;
    double load = 0.0;
    double grade = 0.0;
    bool csv = false;
    std::vector<Change> changes; // in command-line order
};

Change ParseChange(std::int64_t tick, const std::string& entry) {
    const auto eq = entry.find('=');
    if (eq == std::string::npos)
        throw BadArgs{"--at expects key=value entries, not \"" + entry + "\""};
    Change c{tick, entry.substr(0, eq), entry.substr(eq + 1)};
    if (c.key == "power")
        IntegerIn("power=", c.value, 0, 8);
    else if (c.key == "brake")
        IntegerIn("brake=", c.value, 0, 99);
    else if (c.key == "brake-type") {
        if (c.value != "T" && c.value != "L")
            throw BadArgs{"brake-type= needs T or L, not \"" + c.value + "\""};
    } else if (c.key == "direction") {
        if (c.value != "F" && c.value != "B")
            throw BadArgs{"direction= needs F or B, not \"" + c.value + "\""};
    } else {
        throw BadArgs{"unknown --at key \"" + c.key +
                      "\" (use power, brake, brake-type or direction)"};
    }
    return c;
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--csv") {
            o.csv = true;
            continue;
        }
        if (a != "--power" && a != "--weight" && a != "--axles" && a != "--cars" && a != "--load" &&
            a != "--grade" && a != "--duration" && a != "--at")
            throw BadArgs{"unknown argument \"" + a + "\""};
        if (i + 1 >= args.size())
            throw BadArgs{a + " needs a value"};
        const std::string& v = args[++i];
        if (a == "--power")
            o.power = NumberIn(a, v, 0, 1e6);
        else if (a == "--weight")
            o.weight = NumberIn(a, v, 0, 1e6);
        else if (a == "--axles")
            o.axles = static_cast<int>(IntegerIn(a, v, 0, 1000));
        else if (a == "--cars")
            o.cars = static_cast<unsigned>(IntegerIn(a, v, 0, 100000));
        else if (a == "--load")
            o.load = NumberIn(a, v, 0, 100);
        else if (a == "--grade")
            o.grade = NumberIn(a, v, -100, 100);
        else if (a == "--duration")
            o.duration = NumberIn(a, v, 0, kMaxDuration);
        else {
            const auto tick = std::llround(NumberIn(a, v, 0, kMaxDuration) * 1000);
            std::size_t n = 0;
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                o.changes.push_back(ParseChange(tick, args[++i]));
                ++n;
            }
            if (n == 0)
                throw BadArgs{"--at " + v + " needs at least one key=value entry"};
        }
    }
    if (!o.power || !o.weight || !o.axles || !o.duration)
        throw BadArgs{"--power, --weight, --axles and --duration are required"};
    for (const Change& c : o.changes)
        if (c.tick > std::llround(*o.duration * 1000))
            throw BadArgs{text::Format("--at %g is after the end of the run (--duration %g)",
                                       static_cast<double>(c.tick) / 1000.0, *o.duration)};
    return o;
}

void Apply(TrainModel& model, const Settings& settings, const Change& c) {
    if (c.key == "brake-type") {
        const int type = c.value == "L" ? kLocoBrake : kTrainBrake;
        if (type != model.iBrakeType) {
            if (type == kLocoBrake)
                model.SwitchToLocoBrake();
            else
                model.SwitchToTrainBrake();
        }
    } else if (c.key == "brake") {
        // Limited as the window's brake slider is.
        const double limit = model.iBrakeType == kLocoBrake
                                 ? settings.MaxLocoBrakeCylinderPreasure / 10
                                 : settings.StandardBrakeSystemPreasure;
        int handle = text::ParseInt(c.value);
        if (handle > limit)
            handle = limit > 0 ? static_cast<int>(limit) : 0;
        model.iBrakeHandle = handle;
    } else if (c.key == "power") {
        model.iPowerStep = text::ParseInt(c.value);
    } else if (c.key == "direction") {
        model.iDirection = c.value == "F" ? kForwards : kBackwards;
    }
}

void PrintHeader(std::ostream& out, bool csv) {
    if (csv)
        out << "t,dSpeed,dMph,iSpeedStep,dBrakePipe,dAuxReservoir,dBrakeCylinder,"
               "dTractiveEffort,dResistance,dBrakeForce,bWheelSlip\n";
    else
        out << text::Format("%6s %10s %6s %10s %10s %13s %14s %15s %11s %11s %10s\n", "t", "dSpeed",
                            "dMph", "iSpeedStep", "dBrakePipe", "dAuxReservoir", "dBrakeCylinder",
                            "dTractiveEffort", "dResistance", "dBrakeForce", "bWheelSlip");
}

// A force negated at rest is -0; print it as 0.
double Shown(double v) {
    return v == 0.0 ? 0.0 : v;
}

void PrintLine(std::ostream& out, bool csv, long long seconds, const TrainModel& m) {
    const char* format = csv ? "%lld,%.17g,%.17g,%d,%.17g,%.17g,%.17g,%.17g,%.17g,%.17g,%d\n"
                             : "%6lld %10.4f %6.1f %10d %10.4f %13.4f %14.4f %15.4f %11.4f "
                               "%11.4f %10d\n";
    out << text::Format(format, seconds, Shown(m.dSpeed), m.dMph, m.iSpeedStep, m.dBrakePipe,
                        m.dAuxReservoir, m.dBrakeCylinder, Shown(m.dTractiveEffort),
                        Shown(m.dResistance), Shown(m.dBrakeForce), m.bWheelSlip ? 1 : 0);
}

void Run(const Options& o, const Settings& settings, std::ostream& out) {
    TrainModel model(settings);
    Loco loco;
    loco.Descr = "vlakomat-train";
    loco.Power = *o.power;
    loco.Weight = *o.weight;
    loco.Axels = *o.axles;
    loco.InitialBrakeType = kTrainBrake;
    for (const Change& c : o.changes)
        if (c.tick == 0 && c.key == "brake-type")
            loco.InitialBrakeType = c.value == "L" ? kLocoBrake : kTrainBrake;
    model.LoadLoco(loco);
    model.iCars = o.cars;
    model.dLoadPercent = o.load;
    model.dGradePercent = o.grade;
    model.StartTicks(0);

    // Brake types at 0 chose the starting type above; they are no switch.
    std::vector<Change> changes;
    for (const Change& c : o.changes)
        if (c.tick != 0 || c.key != "brake-type")
            changes.push_back(c);
    std::stable_sort(changes.begin(), changes.end(),
                     [](const Change& a, const Change& b) { return a.tick < b.tick; });
    std::size_t next = 0;
    auto applyUpTo = [&](std::int64_t tick) {
        for (; next < changes.size() && changes[next].tick <= tick; ++next)
            Apply(model, settings, changes[next]);
        // No power delay here: the applied step follows the handle at once.
        model.iAppliedPowerStep = model.iPowerStep;
    };

    applyUpTo(0);
    PrintHeader(out, o.csv);
    PrintLine(out, o.csv, 0, model);
    const std::int64_t end = std::llround(*o.duration * 1000);
    for (std::int64_t tick = kStepMs; tick <= end; tick += kStepMs) {
        applyUpTo(tick);
        model.Step(static_cast<Tick>(tick));
        if (tick % 1000 == 0)
            PrintLine(out, o.csv, tick / 1000, model);
    }
}

} // namespace

int RunTrainTool(const std::vector<std::string>& args, const Settings& settings, std::ostream& out,
                 std::ostream& err) {
    return toolargs::RunWithUsage("vlakomat-train", kUsage, args, out, err, [&] {
        Run(ParseOptions(args), settings, out);
        return 0;
    });
}
