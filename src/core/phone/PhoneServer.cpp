#include "core/phone/PhoneServer.h"

#include "core/layout/LayoutBus.h"
#include "core/layout/TurnoutMove.h"
#include "core/layout/TurnoutSwitch.h"
#include "core/layout/VlakomatDoc.h"
#include "core/loconet/Loconet.h"
#include "core/phone/PhoneThrottle.h"
#include "core/roster/RosterData.h"
#include "core/util/Text.h"

#include <algorithm>

namespace {

using withrottle::kCommand;
using withrottle::kFields;
using withrottle::kItems;

// Turnout states of the protocol.
constexpr int kUnknownState = 1;
constexpr int kClosedState = 2;
constexpr int kThrownState = 4;

// The captions of the states that the phone shows.
constexpr const char* kTurnoutCaptions =
    "PTT]\\[Kretnice}|{Kretnica]\\[Naravnost}|{2]\\[Odklon}|{4";
constexpr const char* kNoRoom = "Doseženo je maksimalno število upravljalnikov!";
// The apps show a few throttles at most; the phones together leave the rest of the registry
// to the program's windows, which the operator can then always open.
constexpr int kThrottlesPerPhone = 6;
constexpr int kPhonesShare = CLoconet::kRegistrySize * 3 / 5;
constexpr const char* kPhoneFull = "Telefon ima lahko največ %d upravljalnikov; tega ni odprl.";
constexpr const char* kPhonesFull =
    "Telefoni imajo skupaj lahko največ %d upravljalnikov; ostali so za okna programa.";
constexpr const char* kNoSteal =
    "Vlakomat lokomotive ne vzame drugemu upravljalniku. Naj jo ta najprej sprosti.";

std::string TurnoutName(const LayoutElement& element) {
    return "LT" + AddressLabel(element);
}

int TurnoutState(const LayoutElement& element) {
    const int position = element.turnout->current;
    if (position == TurnoutData::kUnknown)
        return kUnknownState;
    return position == 0 ? kClosedState : kThrownState;
}

// The names of a roster locomotive's decoder functions: the function of the map that
// switches motor decoder function n on, the first one that does.
std::array<std::string, withrottle::kFunctionCount> Labels(const RosterData& data, int address) {
    std::array<std::string, withrottle::kFunctionCount> labels{};
    const Roster& roster = data.roster;
    const Loco* loco = nullptr;
    for (int i = 0; i < roster.count && loco == nullptr; ++i)
        if (roster.locos[static_cast<std::size_t>(i)].MotorAddr == address)
            loco = &roster.locos[static_cast<std::size_t>(i)];
    if (loco == nullptr)
        return labels;
    for (int p = 0; p < data.functions.count; ++p) {
        const FunctionDef& f = data.functions.entries[static_cast<std::size_t>(p)];
        if (f.Id < 0 || f.Id >= kMaxFunctions ||
            (loco->FuncFlags[static_cast<std::size_t>(f.Id)] & kFuncActive) == 0)
            continue;
        const FunctionSequences& s = loco->FuncSequences[static_cast<std::size_t>(f.Id)];
        const int count = std::clamp(s.count[kSequenceOn], 0, FunctionSequences::kMaxCommands);
        for (int c = 0; c < count; ++c) {
            const SequenceCommand command = s.commands[kSequenceOn][static_cast<std::size_t>(c)];
            const int number = sequence::Number(command);
            if (number >= withrottle::kFunctionCount || sequence::IsSound(command) ||
                sequence::State(command) == sequence::kStateOff)
                continue;
            auto& label = labels[static_cast<std::size_t>(number)];
            if (label.empty())
                label = f.Name;
        }
    }
    return labels;
}

} // namespace

PhoneServer::PhoneServer(CLoconet& link, Clock& clock, const RosterData& data,
                         std::string description)
    : link_(link), clock_(clock), data_(data), description_(std::move(description)) {
    powerWatcher_ = link_.AddMessageWatcher([this](const LocoNetMessage& m) {
        if (power_.Observe(m))
            Broadcast(PowerLine(power_.State()));
    });
    input_ = link_.AddStepInput([this] { TakeInput(); }, [this] { return waiting_; });
}

PhoneServer::~PhoneServer() {
    input_.Reset();
    SetLayout(nullptr, nullptr);
    powerWatcher_.Reset();
    output_ = nullptr;
    for (int i = 0; i < kMaxClients; ++i)
        if (clients_[static_cast<std::size_t>(i)].connected)
            Disconnect(i);
}

void PhoneServer::SetLayout(CVlakomatDoc* doc, LayoutBus* bus) {
    layoutWatcher_.Reset();
    doc_ = doc;
    bus_ = bus;
    turnouts_.clear();
    if (doc_ != nullptr) {
        // After the view's watcher: the panel has followed the message when this looks.
        layoutWatcher_ =
            link_.AddMessageWatcher([this](const LocoNetMessage&) { CheckTurnouts(); });
        CheckTurnouts();
    }
}

// --- connections ----------------------------------------------------------------------

TcpService::Admission PhoneServer::Connect(const std::string& peer) {
    // The greeting lists the turnouts as the panel shows them now.
    CheckTurnouts();
    for (int i = 0; i < kMaxClients; ++i) {
        Client& c = clients_[static_cast<std::size_t>(i)];
        if (c.connected)
            continue;
        c = Client{};
        c.connected = true;
        c.peer = peer;
        c.heard = clock_.Now();
        ++count_;
        link_.LogToMonitor("WiThrottle: " + peer + " connected");
        return {i, Greeting()};
    }
    return {-1, "HM" + std::string(kNoRoom) + "\n"};
}

void PhoneServer::Disconnect(int client) {
    if (client < 0 || client >= kMaxClients)
        return;
    Client& c = clients_[static_cast<std::size_t>(client)];
    if (!c.connected)
        return;
    // Gone without a word: what it drove is stopped before it is let go.
    Remove(client, 0, "*", true);
    c.connected = false;
    --count_;
    link_.LogToMonitor("WiThrottle: " + c.peer + " disconnected");
    Purge(c);
}

void PhoneServer::Receive(int client, const char* data, std::size_t count) {
    if (client < 0 || client >= kMaxClients ||
        !clients_[static_cast<std::size_t>(client)].connected)
        return;
    Client& c = clients_[static_cast<std::size_t>(client)];
    c.lines.Append(data, count);
    waiting_ = true;
    // The link's next step handles the lines; a closed link steps no more, and nothing of
    // what they set off can reach the bus or a throttle then.
    if (!link_.IsActive())
        TakeInput();
}

void PhoneServer::TakeInput() {
    if (!waiting_)
        return;
    waiting_ = false;
    std::string line;
    for (int client = 0; client < kMaxClients; ++client) {
        Client& c = clients_[static_cast<std::size_t>(client)];
        while (c.connected && c.lines.Next(line))
            HandleLine(client, line);
        Purge(c);
    }
}

int PhoneServer::Open(const Client& c) {
    return static_cast<int>(std::count_if(c.throttles.begin(), c.throttles.end(),
                                          [](const auto& t) { return !t->Closed(); }));
}

void PhoneServer::Purge(Client& c) {
    std::erase_if(c.throttles, [](const std::unique_ptr<PhoneThrottle>& t) { return t->Closed(); });
}

void PhoneServer::Send(int client, const std::string& line) {
    if (output_ && client >= 0 && client < kMaxClients &&
        clients_[static_cast<std::size_t>(client)].connected)
        output_(client, line + "\n");
}

void PhoneServer::Broadcast(const std::string& line) {
    for (int i = 0; i < kMaxClients; ++i)
        Send(i, line);
}

void PhoneServer::Alert(int client, const std::string& text) {
    Send(client, "HM" + text);
}

bool PhoneServer::Silent(int client, Tick now, Tick& heardAt) const {
    const Client& c = clients_[static_cast<std::size_t>(client)];
    heardAt = c.heard;
    return c.connected && c.heartbeat &&
           now - c.heard >= static_cast<Tick>(withrottle::kHeartbeatSeconds * 1000);
}

std::uint32_t PhoneServer::SilenceDue(int client, Tick now) const {
    const Client& c = clients_[static_cast<std::size_t>(client)];
    const auto limit = static_cast<Tick>(withrottle::kHeartbeatSeconds * 1000);
    if (!c.connected || !c.heartbeat)
        return kNoDeadline;
    const Tick quiet = now - c.heard;
    return quiet >= limit ? 0 : limit - quiet;
}

const std::string& PhoneServer::ClientName(int client) const {
    const Client& c = clients_[static_cast<std::size_t>(client)];
    return c.name.empty() ? c.peer : c.name;
}

// --- lines ----------------------------------------------------------------------------

void PhoneServer::HandleLine(int client, std::string_view line) {
    Client& c = clients_[static_cast<std::size_t>(client)];
    // Only a line of the protocol shows that the phone still speaks it.
    if (!withrottle::WellFormed(line))
        return;
    c.heard = clock_.Now();
    const std::string_view rest = line.substr(1);
    switch (line[0]) {
    case 'N':
        c.name = std::string(rest);
        Send(client, "*" + std::to_string(withrottle::kHeartbeatSeconds));
        break;
    case '*':
        if (rest == "+")
            c.heartbeat = true;
        else if (rest == "-")
            c.heartbeat = false;
        break;
    case 'M':
        if (rest.size() >= 2)
            MultiThrottle(client, rest[0], rest.substr(1));
        break;
    case 'T':
    case 'S':
        SingleThrottle(client, line[0], rest);
        break;
    case 'P':
        Panel(client, rest);
        break;
    case 'Q':
        Remove(client, 0, "*", false);
        break;
    default:
        break; // device ids, raw packets, consists and the rest: nothing to do
    }
}

void PhoneServer::MultiThrottle(int client, char key, std::string_view rest) {
    const std::vector<std::string_view> parts = withrottle::Split(rest.substr(1), kCommand);
    const std::string_view locoKey = parts[0];
    const std::string_view command = parts.size() > 1 ? parts[1] : std::string_view();
    switch (rest[0]) {
    case '+':
        Acquire(client, key, std::string(locoKey), command);
        break;
    case '-':
        if (command == "d")
            Dispatch(client, key, locoKey);
        else
            Remove(client, key, locoKey, false);
        break;
    case 'A':
        Action(client, key, locoKey, command);
        break;
    case 'S':
        Alert(client, kNoSteal);
        break;
    default:
        break;
    }
}

void PhoneServer::SingleThrottle(int client, char key, std::string_view rest) {
    if (rest.empty())
        return;
    if (rest[0] == 'E' ||
        ((rest[0] == 'S' || rest[0] == 'L') && withrottle::ParseAddress(rest) >= 0)) {
        // The older throttle holds one locomotive: a new address replaces it.
        Remove(client, key, "*", false);
        const int address = rest[0] == 'E' ? -1 : withrottle::ParseAddress(rest);
        Acquire(client, key, address < 0 ? std::string(rest) : withrottle::AddressKey(address),
                rest);
    } else if (rest == "r") {
        Remove(client, key, "*", false);
    } else if (rest == "d") {
        Dispatch(client, key, "*");
    } else {
        Action(client, key, "*", rest);
    }
}

void PhoneServer::Acquire(int client, char key, const std::string& locoKey, std::string_view what) {
    Client& c = clients_[static_cast<std::size_t>(client)];
    for (const auto& t : c.throttles)
        if (!t->Closed() && t->ThrottleKey() == key && t->Key() == locoKey)
            return; // already on this throttle
    if (what.empty())
        return;
    int address = withrottle::ParseAddress(what);
    if (!what.empty() && what[0] == 'E') {
        const std::string_view name = what.substr(1);
        const Roster& roster = data_.roster;
        for (int i = 0; i < roster.count && address < 0; ++i)
            if (roster.locos[static_cast<std::size_t>(i)].Descr == name)
                address = roster.locos[static_cast<std::size_t>(i)].MotorAddr;
        if (address < 0) {
            Alert(client, "Lokomotive »" + std::string(name) + "« ni v seznamu lokomotiv.");
            return;
        }
    }
    // Address 0 is the command station's own for analogue locomotives: no phone's.
    if (address < 1) {
        Alert(client, "Napačen naslov lokomotive: " + std::string(what));
        return;
    }
    if (Open(c) >= kThrottlesPerPhone) {
        Alert(client, text::Format(kPhoneFull, kThrottlesPerPhone));
        return;
    }
    int open = 0;
    for (const Client& other : clients_)
        open += Open(other);
    if (open >= kPhonesShare) {
        Alert(client, text::Format(kPhonesFull, kPhonesShare));
        return;
    }
    int index = -1;
    for (int i = CLoconet::kRegistrySize - 1; i >= 0 && index < 0; --i)
        if (link_.GetThrottle(i) == nullptr)
            index = i;
    if (index < 0) {
        Alert(client, kNoRoom);
        return;
    }
    auto throttle =
        std::make_unique<PhoneThrottle>(*this, link_, clock_, client, key, locoKey, address);
    throttle->SetLabels(Labels(data_, address));
    if (!link_.RegisterThrottle(index, throttle.get()))
        return;
    PhoneThrottle& t = *throttle;
    c.throttles.push_back(std::move(throttle));
    t.Start();
}

void PhoneServer::Remove(int client, char key, std::string_view locoKey, bool stop) {
    for (const auto& t : clients_[static_cast<std::size_t>(client)].throttles)
        if (!t->Closed() && (key == 0 || t->ThrottleKey() == key) &&
            (locoKey == "*" || t->Key() == locoKey))
            t->Release(stop);
}

void PhoneServer::Dispatch(int client, char key, std::string_view locoKey) {
    for (const auto& t : clients_[static_cast<std::size_t>(client)].throttles)
        if (!t->Closed() && t->ThrottleKey() == key && (locoKey == "*" || t->Key() == locoKey))
            t->Dispatch();
}

void PhoneServer::Action(int client, char key, std::string_view locoKey, std::string_view command) {
    for (const auto& t : clients_[static_cast<std::size_t>(client)].throttles)
        if (!t->Closed() && t->ThrottleKey() == key && (locoKey == "*" || t->Key() == locoKey)) {
            if (command == "r")
                t->Release(false);
            else if (command == "d")
                t->Dispatch();
            else
                t->Command(command);
        }
}

// --- track power and turnouts -----------------------------------------------------------

std::string PhoneServer::PowerLine(PowerState state) {
    switch (state) {
    case PowerState::On:
        return "PPA1";
    case PowerState::Off:
        return "PPA0";
    case PowerState::Unknown:
        break;
    }
    return "PPA2";
}

void PhoneServer::Panel(int client, std::string_view rest) {
    if (rest == "PA1" || rest == "PA0") {
        if (LinkCannotSend(link_)) {
            Alert(client, "Povezava LocoNet ni odprta, ni poslano.");
            return;
        }
        link_.QueueMessage(rest == "PA1" ? TrackPower::PowerOn() : TrackPower::PowerOff());
        return;
    }
    // "PTA" with T (thrown), C (closed) or 2 (the other position), then the turnout's name.
    if (rest.size() < 4 || rest.substr(0, 2) != "TA" || doc_ == nullptr || bus_ == nullptr)
        return;
    const char how = rest[2];
    const std::string_view name = rest.substr(3);
    for (int i = 0; i < doc_->Count(); ++i) {
        const LayoutElement& e = doc_->Element(i);
        if (!e.turnout || TurnoutName(e) != name)
            continue;
        const TurnoutData& turnout = *e.turnout;
        int position = 0;
        if (how == '2')
            position = NextPosition(turnout);
        else if (how == 'T')
            position = turnout.current > 0 ? turnout.current : 1;
        else if (how != 'C')
            return;
        const SwitchPlan plan = SwitchRequestsFor(turnout, position);
        const std::string why = !plan.note.empty()
                                    ? plan.note
                                    : MoveTurnout(link_, *bus_, *doc_, i, position, plan.messages);
        if (!why.empty())
            Alert(client, "Kretnica " + AddressLabel(e) + ": " + why);
        CheckTurnouts();
        return;
    }
    Alert(client, "Kretnice " + std::string(name) + " ni na odprti maketi.");
}

void PhoneServer::CheckTurnouts() {
    std::vector<std::pair<std::string, int>> now;
    if (doc_ != nullptr)
        for (const LayoutElement& e : doc_->Elements())
            if (e.turnout)
                now.emplace_back(TurnoutName(e), TurnoutState(e));
    const bool sameList =
        now.size() == turnouts_.size() &&
        std::equal(now.begin(), now.end(), turnouts_.begin(),
                   [](const auto& a, const auto& b) { return a.first == b.first; });
    if (!sameList) {
        turnouts_ = std::move(now);
        Broadcast(TurnoutList());
        return;
    }
    for (std::size_t i = 0; i < now.size(); ++i)
        if (now[i].second != turnouts_[i].second)
            Broadcast("PTA" + std::to_string(now[i].second) + now[i].first);
    turnouts_ = std::move(now);
}

// --- greeting -----------------------------------------------------------------------------

std::string PhoneServer::Greeting() const {
    return std::string(withrottle::kVersion) + "\nHTVlakomat\nHt" + description_ + "\n" +
           RosterList() + "\n" + PowerLine(power_.State()) + "\n" + kTurnoutCaptions + "\n" +
           (turnouts_.empty() ? "" : TurnoutList() + "\n") + "*" +
           std::to_string(withrottle::kHeartbeatSeconds) + "\n";
}

std::string PhoneServer::RosterList() const {
    const Roster& roster = data_.roster;
    std::string list = "RL" + std::to_string(roster.count);
    for (int i = 0; i < roster.count; ++i) {
        const Loco& loco = roster.locos[static_cast<std::size_t>(i)];
        // The fields' delimiters cannot be part of a name.
        std::string name = loco.Descr;
        for (const std::string_view d : {kItems, kFields})
            for (std::size_t at = name.find(d); at != std::string::npos; at = name.find(d))
                name.erase(at, d.size());
        list += std::string(kItems) + name + std::string(kFields) + std::to_string(loco.MotorAddr) +
                std::string(kFields) +
                (withrottle::AddressKey(loco.MotorAddr)[0] == 'S' ? "S" : "L");
    }
    return list;
}

std::string PhoneServer::TurnoutList() const {
    std::string list = "PTL";
    if (doc_ != nullptr)
        for (const LayoutElement& e : doc_->Elements())
            if (e.turnout)
                list += std::string(kItems) + TurnoutName(e) + std::string(kFields) +
                        ElementName(e) + std::string(kFields) + std::to_string(TurnoutState(e));
    return list;
}
