#pragma once
// What the fuzz targets share: quiet seams and splitting the input into lines.

#include "core/loconet/Loconet.h"
#include "core/loconet/MemoryPort.h"
#include "core/platform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class StepClock : public Clock {
public:
    Tick Now() const override { return now; }
    Tick now = 0;
};

class SilentBeeper : public Beeper {
public:
    void Tone(int, int) override {}
};

class SilentPrompts : public Prompts {
public:
    PromptAnswer Ask(const std::string&, PromptButtons buttons, PromptIcon) override {
        return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    }
};

inline std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// A link opened on an in-memory port, with quiet seams; `port` stays null when it did not open.
// The input after its first two bytes, cut into pieces of 1 to 48 bytes (the second byte says
// how long), handed in turn to three clients: `feed(client, piece, count)`.
template <class Feed>
void FeedThreeClients(const std::uint8_t* bytes, std::size_t size, Feed feed) {
    const std::size_t piece = 1 + bytes[1] % 48;
    for (std::size_t at = 2, n = 0; at < size; at += piece, ++n)
        feed(static_cast<int>(n % 3), reinterpret_cast<const char*>(bytes + at),
             std::min(piece, size - at));
}

struct MemoryLink {
    MemoryLink() {
        link.SetPortFactory([this](const std::string&) {
            auto p = std::make_unique<MemoryPort>();
            port = p.get();
            return p;
        });
        if (!link.Open("memory"))
            port = nullptr;
    }
    StepClock clock;
    SilentBeeper beeper;
    SilentPrompts prompts;
    CLoconet link{clock, beeper, prompts};
    MemoryPort* port = nullptr;
};
