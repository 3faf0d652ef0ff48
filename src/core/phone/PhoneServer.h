#pragma once
// Phones and other WiThrottle clients: each is greeted with the protocol's version, the
// roster, the track power and the turnouts of the open layout, and then drives locomotives
// through throttles of the link's registry, switches the track power and moves turnouts as
// the panel does. The decisions live here; the server in src/io only carries the bytes.

#include "core/loconet/LbServerProtocol.h"
#include "core/loconet/TcpService.h"
#include "core/loconet/TrackPower.h"
#include "core/phone/WiThrottleText.h"
#include "core/platform.h"
#include "core/util/Subscription.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CLoconet;
class CVlakomatDoc;
class LayoutBus;
class PhoneThrottle;
struct RosterData;

class PhoneServer : public TcpService {
public:
    // `description` names the server to the phones ("Vlakomat 1.2.0").
    PhoneServer(CLoconet& link, Clock& clock, const RosterData& data, std::string description);
    ~PhoneServer() override;
    PhoneServer(const PhoneServer&) = delete;
    PhoneServer& operator=(const PhoneServer&) = delete;

    // The open layout whose turnouts the phones see and move; nullptr for none. The view's
    // bus watcher must be added to the link before this is called.
    void SetLayout(CVlakomatDoc* doc, LayoutBus* bus);
    // Another layout was opened or the open one edited: the phones get the new list.
    void LayoutChanged() { CheckTurnouts(); }

    // TcpService
    void SetOutput(Output output) override { output_ = std::move(output); }
    Admission Connect(const std::string& peer) override;
    void Disconnect(int client) override;
    void Receive(int client, const char* data, std::size_t count) override;
    int ClientCount() const override { return count_; }

    // For the phones' throttles.
    void Send(int client, const std::string& line);
    // The phone asked for the heartbeat and has said nothing for its interval; `heardAt`
    // is when it last did.
    bool Silent(int client, Tick now, Tick& heardAt) const;
    // Milliseconds until the phone's silence would stop its locomotives; kNoDeadline when
    // it does not watch the heartbeat.
    std::uint32_t SilenceDue(int client, Tick now) const;
    const std::string& ClientName(int client) const;

private:
    struct Client {
        bool connected = false;
        std::string peer;
        std::string name;
        LbLineSplitter lines;
        bool heartbeat = false;
        Tick heard = 0;
        std::vector<std::unique_ptr<PhoneThrottle>> throttles;
    };

    // The lines that arrived, inside the link's step.
    void TakeInput();
    void HandleLine(int client, std::string_view line);
    void MultiThrottle(int client, char key, std::string_view rest);
    void SingleThrottle(int client, char key, std::string_view rest);
    void Acquire(int client, char key, const std::string& locoKey, std::string_view what);
    // Lets go of the locomotive `locoKey` ("*" for all) of a throttle (any throttle: 0).
    void Remove(int client, char key, std::string_view locoKey, bool stop);
    void Dispatch(int client, char key, std::string_view locoKey);
    void Action(int client, char key, std::string_view locoKey, std::string_view command);
    void Panel(int client, std::string_view rest);
    void Alert(int client, const std::string& text);
    // Lets go of the throttles that left the registry.
    void Purge(Client& c);
    // The phone's throttles still in the registry.
    static int Open(const Client& c);

    std::string Greeting() const;
    std::string RosterList() const;
    // "PTL" and every turnout of the open layout: name, caption and state.
    std::string TurnoutList() const;
    static std::string PowerLine(PowerState state);
    void OnBusMessage(const LocoNetMessage& message);
    // Tells every phone of turnouts that moved (or the whole list when it changed).
    void CheckTurnouts();
    void Broadcast(const std::string& line);

    CLoconet& link_;
    Clock& clock_;
    const RosterData& data_;
    std::string description_;
    Output output_;
    std::array<Client, kMaxClients> clients_;
    int count_ = 0;
    TrackPower power_;
    Subscription powerWatcher_;
    Subscription input_;
    bool waiting_ = false; // lines arrived and wait for the step
    CVlakomatDoc* doc_ = nullptr;
    LayoutBus* bus_ = nullptr;
    Subscription layoutWatcher_;
    // What the phones were last told of each turnout: system name and state.
    std::vector<std::pair<std::string, int>> turnouts_;
};
