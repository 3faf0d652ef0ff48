#include "gui/common/Ports.h"

#include "core/sim/SimPort.h"
#include "gui/common/Modules.h"

namespace {

// Stands in for a serial or TCP port when the module is missing: opening says why.
class MissingPort final : public SerialPort {
public:
    MissingPort(PortKind kind, std::string why) : kind_(kind), why_(std::move(why)) {}
    std::string Open(const std::string& name) override {
        return kind_ == PortKind::Network
                   ? "Napaka! Povezave " + name + " ni mogoče vzpostaviti! (" + why_ + ")"
                   : "Napaka! Comm porta " + name + " ni mogoče odpreti! (" + why_ + ")";
    }
    std::size_t Read(std::uint8_t*, std::size_t) override { return 0; }
    std::size_t Write(const std::uint8_t*, std::size_t) override { return 0; }
    void DiscardInput() override {}
    void Close() override {}

private:
    PortKind kind_;
    std::string why_;
};

class LazyListener final : public TcpListener {
public:
    explicit LazyListener(TcpService& service) : service_(service) {}
    std::string Listen(int port, bool anyInterface) override {
        if (!real_) {
            std::string why;
            PortsModule* module = LoadPortsModule(&why);
            if (!module)
                return why;
            real_ = module->Listener(service_);
            real_->SetActivityHandler(activity_);
            real_->SetClientsHandler(clients_);
        }
        return real_->Listen(port, anyInterface);
    }
    void Stop() override {
        if (real_)
            real_->Stop();
    }
    bool IsListening() const override { return real_ && real_->IsListening(); }
    int Port() const override { return real_ ? real_->Port() : 0; }
    void SetActivityHandler(std::function<void()> handler) override {
        activity_ = std::move(handler);
        if (real_)
            real_->SetActivityHandler(activity_);
    }
    void SetClientsHandler(std::function<void(int)> handler) override {
        clients_ = std::move(handler);
        if (real_)
            real_->SetClientsHandler(clients_);
    }

private:
    TcpService& service_;
    std::unique_ptr<TcpListener> real_;
    std::function<void()> activity_;
    std::function<void(int)> clients_;
};

class LazyAdvert final : public ServiceAdvert {
public:
    void Publish(const std::string& name, int port) override {
        // Nothing published yet, nothing to withdraw.
        if (!real_ && port <= 0)
            return;
        if (!real_) {
            PortsModule* module = LoadPortsModule();
            if (!module)
                return; // the phones are given the address by hand, as without the daemon
            real_ = module->Advert();
        }
        real_->Publish(name, port);
    }

private:
    std::unique_ptr<ServiceAdvert> real_;
};

} // namespace

PortsModule* LoadPortsModule(std::string* why) {
    // Once loaded it stays; a module that was missing is looked for again next time.
    static PortsModule* module = nullptr;
    if (!module) {
        QString reason;
        if (auto entry = reinterpret_cast<PortsModuleEntry>(
                ResolveModule(ModuleFolders(), QString::fromLatin1(kPortsModuleName),
                              kPortsModuleEntry, &reason)))
            module = entry();
        else if (why)
            *why = reason.toStdString();
    }
    return module;
}

std::unique_ptr<SerialPort> CreateProgramPort(const std::string& name, Clock& clock,
                                              const SerialLine& line) {
    const PortKind kind = KindOfPort(name);
    if (kind == PortKind::Simulated)
        return std::make_unique<SimPort>(clock);
    std::string why;
    PortsModule* module = LoadPortsModule(&why);
    if (!module)
        return std::make_unique<MissingPort>(kind, why);
    return kind == PortKind::Network ? module->NetworkPort() : module->DevicePort(line);
}

std::unique_ptr<TcpListener> CreateProgramListener(TcpService& service) {
    return std::make_unique<LazyListener>(service);
}

std::unique_ptr<ServiceAdvert> CreateProgramAdvert() {
    return std::make_unique<LazyAdvert>();
}

std::vector<SerialPortInfo> ProgramSerialPorts() {
    PortsModule* module = LoadPortsModule();
    return module ? module->SerialPorts() : std::vector<SerialPortInfo>{};
}
