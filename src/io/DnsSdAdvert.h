#pragma once
// Tells the phones of the local network where the program serves them: a DNS-SD service
// (`_withrottle._tcp`) published through the Avahi daemon. Without the daemon (or without
// Avahi in the build) nothing is published and the phones are given the address by hand;
// the daemon that starts later is found by itself.

#include "core/loconet/PortsModule.h"

#include <memory>
#include <string>

class DnsSdAdvert : public ServiceAdvert {
public:
    static constexpr const char* kServiceType = "_withrottle._tcp";

    DnsSdAdvert();
    ~DnsSdAdvert() override;
    DnsSdAdvert(const DnsSdAdvert&) = delete;
    DnsSdAdvert& operator=(const DnsSdAdvert&) = delete;

    // Publishes the service `name` on `port`; port 0 withdraws it.
    void Publish(const std::string& name, int port) override;

private:
    // Starts Avahi's client in its own thread; false when it cannot.
    bool Start();

    struct Avahi;
    std::unique_ptr<Avahi> avahi_;
};
