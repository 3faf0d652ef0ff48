#include "io/DnsSdAdvert.h"

#ifdef VLAKOMAT_HAVE_AVAHI

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

// The client lives in Avahi's own thread; the program's thread changes what is published
// only under the thread's lock, and the callbacks run with the lock held.
struct DnsSdAdvert::Avahi {
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
    std::string name;
    int port = 0;

    static void OnGroup(AvahiEntryGroup* g, AvahiEntryGroupState state, void* self) {
        auto* a = static_cast<Avahi*>(self);
        if (state != AVAHI_ENTRY_GROUP_COLLISION)
            return;
        // Another service of the network has the name: the next free one is taken.
        char* other = avahi_alternative_service_name(a->name.c_str());
        a->name = other;
        avahi_free(other);
        avahi_entry_group_reset(g);
        a->Register();
    }
    static void OnClient(AvahiClient* c, AvahiClientState state, void* self) {
        auto* a = static_cast<Avahi*>(self);
        a->client = c;
        if (state == AVAHI_CLIENT_S_RUNNING) {
            a->Register();
        } else if (state == AVAHI_CLIENT_FAILURE || state == AVAHI_CLIENT_S_COLLISION ||
                   state == AVAHI_CLIENT_S_REGISTERING) {
            // The daemon went or renames the host: published again once it is running.
            if (a->group != nullptr)
                avahi_entry_group_reset(a->group);
        }
    }
    void Register() {
        if (client == nullptr || avahi_client_get_state(client) != AVAHI_CLIENT_S_RUNNING)
            return;
        if (group == nullptr)
            group = avahi_entry_group_new(client, &Avahi::OnGroup, this);
        if (group == nullptr)
            return;
        avahi_entry_group_reset(group);
        if (port <= 0)
            return;
        if (avahi_entry_group_add_service(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
                                          AvahiPublishFlags(0), name.c_str(), kServiceType, nullptr,
                                          nullptr, static_cast<std::uint16_t>(port), nullptr) == 0)
            avahi_entry_group_commit(group);
    }
};

DnsSdAdvert::DnsSdAdvert() : avahi_(std::make_unique<Avahi>()) {}

bool DnsSdAdvert::Start() {
    if (avahi_->poll != nullptr)
        return true;
    avahi_->poll = avahi_threaded_poll_new();
    if (avahi_->poll == nullptr)
        return false;
    int error = 0;
    // No fail: without a daemon the client waits for one rather than giving up.
    avahi_->client = avahi_client_new(avahi_threaded_poll_get(avahi_->poll), AVAHI_CLIENT_NO_FAIL,
                                      &Avahi::OnClient, avahi_.get(), &error);
    if (avahi_->client != nullptr && avahi_threaded_poll_start(avahi_->poll) == 0)
        return true;
    if (avahi_->client != nullptr)
        avahi_client_free(avahi_->client);
    avahi_->client = nullptr;
    avahi_threaded_poll_free(avahi_->poll);
    avahi_->poll = nullptr;
    return false;
}

DnsSdAdvert::~DnsSdAdvert() {
    if (avahi_->poll == nullptr)
        return;
    avahi_threaded_poll_stop(avahi_->poll);
    avahi_client_free(avahi_->client); // frees the group as well
    avahi_threaded_poll_free(avahi_->poll);
}

void DnsSdAdvert::Publish(const std::string& name, int port) {
    // Avahi's thread runs only once something is to be published.
    if ((port <= 0 && avahi_->poll == nullptr) || !Start())
        return;
    avahi_threaded_poll_lock(avahi_->poll);
    avahi_->name = name;
    avahi_->port = port;
    avahi_->Register();
    avahi_threaded_poll_unlock(avahi_->poll);
}

#else

struct DnsSdAdvert::Avahi {};
DnsSdAdvert::DnsSdAdvert() = default;
DnsSdAdvert::~DnsSdAdvert() = default;
bool DnsSdAdvert::Start() {
    return false;
}
void DnsSdAdvert::Publish(const std::string&, int) {}

#endif
