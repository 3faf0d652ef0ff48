#include "tools/drive/DriveTool.h"

#include "core/loconet/LbServerProtocol.h"
#include "core/roster/RosterData.h"
#include "core/settings/Settings.h"
#include "core/sim/SimCommandStation.h"
#include "core/util/Files.h"
#include "core/util/Text.h"
#include "tools/common/ToolArgs.h"
#include "tools/drive/DriveSession.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>

namespace {

using toolargs::BadArgs;
using toolargs::IntegerIn;
using toolargs::NumberIn;

const char* const kUsage =
    "usage: vlakomat-drive [--settings FILE] [--tables DIR] [--loco ID]\n"
    "                      [--power-address N] [--brake-address N] [--cars N] [--load N]\n"
    "                      [--grade G] [--step MS] --duration S [--at S EVENT]... [--trace]\n"
    "  --at S EVENT applies just before the processing step at S seconds; EVENT is one of\n"
    "    acquire | release | close                     the window's \"Uporabi\"/\"Sprosti\", "
    "closing\n"
    "    power N | brake N                             a hand-held's speed byte, 0..127\n"
    "    forward | reverse | estop | f N on|off        the power hand-held (keys F0..F12)\n"
    "    brake-forward | brake-reverse                 the brake hand-held's direction\n"
    "    handle-power N | handle-brake N               the window's sliders (step 0..8, brake)\n"
    "    reverser forward|reverse | brake-type train|loco | key N   the window's buttons\n"
    "Prints one line per message on the bus: <ms> TX|RX <bytes>; --trace adds the\n"
    "program's debug lines as <ms> # <line>.\n";

constexpr double kMaxDuration = 1e6; // seconds

struct Event {
    std::int64_t ms = 0;
    std::vector<std::string> words;
};

struct Options {
    std::string settingsFile;
    std::string tables;
    std::optional<int> loco;
    int powerAddress = 1;
    int brakeAddress = 2;
    std::optional<std::string> cars, load, grade;
    std::uint32_t stepMs = 5;
    std::optional<double> duration;
    bool trace = false;
    std::vector<Event> events; // in time order, same times in command-line order
};

// How many words follow each event's name, and what they must be.
void CheckEvent(const std::vector<std::string>& w) {
    const std::string& name = w[0];
    const std::size_t n = w.size() - 1;
    auto needs = [&](std::size_t count) {
        if (n != count)
            throw BadArgs{text::Format("event \"%s\" takes %zu word(s)", name.c_str(), count)};
    };
    if (name == "acquire" || name == "release" || name == "close" || name == "forward" ||
        name == "reverse" || name == "estop" || name == "brake-forward" ||
        name == "brake-reverse") {
        needs(0);
    } else if (name == "power" || name == "brake") {
        needs(1);
        IntegerIn(name, w[1], 0, 127);
    } else if (name == "handle-power") {
        needs(1);
        IntegerIn(name, w[1], 0, 8);
    } else if (name == "handle-brake") {
        needs(1);
        IntegerIn(name, w[1], 0, 99);
    } else if (name == "key") {
        needs(1);
        IntegerIn(name, w[1], 0, 12);
    } else if (name == "f") {
        needs(2);
        IntegerIn(name, w[1], 0, 12);
        if (w[2] != "on" && w[2] != "off")
            throw BadArgs{"f N needs on or off, not \"" + w[2] + "\""};
    } else if (name == "reverser" || name == "brake-type") {
        needs(1);
        const bool reverser = name == "reverser";
        if (reverser ? w[1] != "forward" && w[1] != "reverse" : w[1] != "train" && w[1] != "loco")
            throw BadArgs{name + (reverser ? " needs forward or reverse" : " needs train or loco")};
    } else {
        throw BadArgs{"unknown event \"" + name + "\""};
    }
}

// The words of one event: up to the next option.
std::size_t TakeEvent(const std::vector<std::string>& args, std::size_t i, Event& event) {
    while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
        event.words.push_back(args[++i]);
    if (event.words.empty())
        throw BadArgs{"--at needs an event"};
    CheckEvent(event.words);
    return i;
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--trace") {
            o.trace = true;
            continue;
        }
        static const char* const kValued[] = {
            "--settings",      "--tables",   "--loco", "--power-address",
            "--brake-address", "--cars",     "--load", "--grade",
            "--step",          "--duration", "--at"};
        if (std::find(std::begin(kValued), std::end(kValued), a) == std::end(kValued))
            throw BadArgs{"unknown argument \"" + a + "\""};
        if (i + 1 >= args.size())
            throw BadArgs{a + " needs a value"};
        const std::string& v = args[++i];
        if (a == "--settings")
            o.settingsFile = v;
        else if (a == "--tables")
            o.tables = v;
        else if (a == "--loco")
            o.loco = static_cast<int>(IntegerIn(a, v, -2147483647LL, 2147483647LL));
        else if (a == "--power-address")
            o.powerAddress = static_cast<int>(IntegerIn(a, v, 0, 9983));
        else if (a == "--brake-address")
            o.brakeAddress = static_cast<int>(IntegerIn(a, v, 0, 9983));
        else if (a == "--cars")
            o.cars = v;
        else if (a == "--load")
            o.load = v;
        else if (a == "--grade")
            o.grade = v;
        else if (a == "--step")
            o.stepMs = static_cast<std::uint32_t>(IntegerIn(a, v, 1, 60000));
        else if (a == "--duration")
            o.duration = NumberIn(a, v, 0, kMaxDuration);
        else {
            Event e;
            e.ms = std::llround(NumberIn(a, v, 0, kMaxDuration) * 1000);
            i = TakeEvent(args, i, e);
            o.events.push_back(e);
        }
    }
    if (!o.duration)
        throw BadArgs{"--duration is required"};
    for (const Event& e : o.events)
        if (e.ms > std::llround(*o.duration * 1000))
            throw BadArgs{text::Format("--at %g is after the end of the run",
                                       static_cast<double>(e.ms) / 1000.0)};
    std::stable_sort(o.events.begin(), o.events.end(),
                     [](const Event& x, const Event& y) { return x.ms < y.ms; });
    return o;
}

// The window the throttle would have: closing it ends the throttle's registry entry.
class ToolView : public RealisticThrottleView {
public:
    explicit ToolView(DriveSession& session) : session_(session) {}
    void Show(unsigned) override {}
    void ShowButtons() override {}
    void Redraw(unsigned) override {}
    void Focus(RealisticField) override {}
    void CloseWindow() override { session_.link.RemoveThrottle(DriveSession::kRegistryIndex); }

private:
    DriveSession& session_;
};

class Drive {
public:
    Drive(const Options& o, ProgramSettings& settings, RosterData& data, Prompts& prompts,
          Beeper& beeper, std::ostream& out)
        : o_(o), out_(out), session_(settings, data, prompts, beeper), view_(session_) {
        session_.throttle.SetView(&view_);
        if (o.trace)
            session_.link.SetMonitorSink([this](const std::string& line) {
                out_ << session_.clock.now << " # " << line << '\n';
            });
        session_.SetBusTrace([this](Tick now, char direction, const std::vector<std::uint8_t>& b) {
            Bus(now, direction, b);
        });
    }

    RealisticThrottle& Throttle() { return session_.throttle; }

    void Run() {
        const std::int64_t end = std::llround(*o_.duration * 1000);
        std::size_t next = 0;
        for (std::int64_t ms = 0; ms <= end; ms += o_.stepMs) {
            session_.clock.now = static_cast<Tick>(ms);
            for (; next < o_.events.size() && o_.events[next].ms <= ms; ++next)
                Apply(o_.events[next].words);
            session_.Step();
        }
    }

private:
    // The program's own messages come back as echoes; only what others put on the bus is RX.
    void Bus(Tick now, char direction, const std::vector<std::uint8_t>& bytes) {
        if (direction == 'R') {
            out_ << now << " TX " << FormatHexBytes(bytes) << '\n';
            echo_ = bytes;
            return;
        }
        if (!echo_.empty() && bytes == echo_) {
            echo_.clear();
            return;
        }
        out_ << now << " RX " << FormatHexBytes(bytes) << '\n';
    }

    void Apply(const std::vector<std::string>& w) {
        RealisticThrottle& t = Throttle();
        SimCommandStation& cs = session_.Cs();
        const std::string& name = w[0];
        const int n = w.size() > 1 ? text::ParseInt(w[1]) : 0;
        const std::string power = std::to_string(o_.powerAddress);
        const std::string brake = std::to_string(o_.brakeAddress);
        // One button takes the locomotive and lets it go.
        if ((name == "acquire" && !t.Acquired()) || (name == "release" && t.Running()))
            t.OnAcquireRelease(power, brake);
        else if (name == "close")
            t.CloseThrottle();
        else if (name == "power")
            cs.ThrottleSpeed(o_.powerAddress, n);
        else if (name == "brake")
            cs.ThrottleSpeed(o_.brakeAddress, n);
        else if (name == "forward" || name == "reverse")
            cs.ThrottleDirection(o_.powerAddress, name == "reverse");
        else if (name == "brake-forward" || name == "brake-reverse")
            cs.ThrottleDirection(o_.brakeAddress, name == "brake-reverse");
        else if (name == "estop")
            cs.ThrottleEmergencyStop(o_.powerAddress);
        else if (name == "f")
            cs.ThrottleFunction(o_.powerAddress, n, w[2] == "on");
        else if (name == "handle-power")
            t.OnPowerSliderReleased(RealisticThrottle::kMaxPowerStep - n);
        else if (name == "handle-brake")
            t.OnBrakeSliderReleased(t.BrakeSliderMax() - n);
        else if (name == "reverser")
            t.OnReverser(w[1] == "forward");
        else if (name == "brake-type")
            t.OnBrakeType(w[1] == "loco" ? kLocoBrake : kTrainBrake);
        else if (name == "key" && t.Controls().functionButtons)
            t.FunctionStateChanged(n, !t.ButtonState(n));
    }

    const Options& o_;
    std::ostream& out_;
    DriveSession session_;
    ToolView view_;
    std::vector<std::uint8_t> echo_;
};

// The list entry that reads as `text`, for --cars and --load.
std::string ListEntry(const ChoiceList& list, const std::string& option, const std::string& text) {
    const auto value = toolargs::ToNumber(text);
    for (std::size_t i = 0; value && i < list.values.size(); ++i)
        if (list.values[i] == *value)
            return list.entries[i];
    std::string entries;
    for (const std::string& e : list.entries)
        entries += (entries.empty() ? "" : ",") + e;
    throw BadArgs{option + " must be an entry of the settings' list (" + entries + "), not \"" +
                  text + "\""};
}

// The train as the options set it up: locomotive, cars, load and grade.
void SetUpTrain(const Options& o, const RosterData& data, RealisticThrottle& t) {
    if (o.loco) {
        const int index = data.roster.FindById(*o.loco);
        if (index < 0)
            throw BadArgs{text::Format("the roster has no locomotive with Id %d", *o.loco)};
        t.OnLocoChosen(index);
    }
    if (o.cars)
        t.OnCarsEntered(ListEntry(t.CarsList(), "--cars", *o.cars));
    if (o.load)
        t.OnLoadEntered(ListEntry(t.LoadList(), "--load", *o.load));
    if (o.grade)
        t.OnGradeEntered(
            text::Format("%.17g", NumberIn("--grade", *o.grade, -RealisticThrottle::kMaxGrade,
                                           RealisticThrottle::kMaxGrade)));
}

class SilentBeeper : public Beeper {
public:
    void Tone(int, int) override {}
};

} // namespace

int RunDriveTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return toolargs::RunWithUsage("vlakomat-drive", kUsage, args, out, err, [&] {
        const Options options = ParseOptions(args);
        ProgramSettings settings;
        if (!options.settingsFile.empty()) {
            if (!files::Exists(options.settingsFile))
                throw BadArgs{"no settings file \"" + options.settingsFile + "\""};
            settings = ReadSettings(options.settingsFile);
        }
        settings.DebugMode = options.trace ? 1 : 0;
        toolargs::StreamPrompts prompts(err, "vlakomat-drive: ");
        SilentBeeper beeper;
        RosterData data;
        if (!LoadStartupTables(data, prompts, options.tables)) {
            err << "vlakomat-drive: " << kMissingDecodersMessage << '\n';
            return 1;
        }
        Drive drive(options, settings, data, prompts, beeper, out);
        SetUpTrain(options, data, drive.Throttle());
        drive.Run();
        return 0;
    });
}
