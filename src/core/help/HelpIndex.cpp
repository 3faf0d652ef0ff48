#include "core/help/HelpIndex.h"

#include "core/util/Text.h"

#include <algorithm>

namespace {

// Calls `row` with the tab-separated fields of every line that is neither blank nor a
// comment; collects the faults that `row` reports.
template <typename Row>
std::vector<std::string> ForEachRow(std::string_view text, std::size_t fieldCount, Row row) {
    std::vector<std::string> faults;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        line = text::TrimRight(line);
        if (line.empty() || line.front() == '#')
            continue;
        std::vector<std::string> fields;
        for (std::size_t from = 0;;) {
            const std::size_t tab = line.find('\t', from);
            fields.emplace_back(text::Trim(line.substr(from, tab - from)));
            if (tab == std::string_view::npos)
                break;
            from = tab + 1;
        }
        const bool complete = fields.size() == fieldCount &&
                              std::none_of(fields.begin(), fields.end(),
                                           [](const std::string& f) { return f.empty(); });
        if (!complete)
            faults.push_back(
                text::Format("line %d: expected %zu fields separated by tabs", number, fieldCount));
        else if (std::string fault = row(fields); !fault.empty())
            faults.push_back(text::Format("line %d: %s", number, fault.c_str()));
    }
    return faults;
}

} // namespace

bool MatchesPattern(std::string_view pattern, std::string_view name) {
    const std::size_t star = pattern.find('*');
    if (star == std::string_view::npos)
        return pattern == name;
    const std::string_view head = pattern.substr(0, star);
    const std::string_view rest = pattern.substr(star + 1);
    if (name.substr(0, head.size()) != head)
        return false;
    // The star takes as little as it can; later stars get their turn in the recursion.
    for (std::size_t from = head.size(); from <= name.size(); ++from)
        if (MatchesPattern(rest, name.substr(from)))
            return true;
    return false;
}

std::vector<std::string> HelpIndex::ReadWhatsThis(std::string_view text) {
    return ForEachRow(text, 3, [this](const std::vector<std::string>& f) -> std::string {
        for (const Sentence& s : sentences_)
            if (s.window == f[0] && s.control == f[1])
                return "a second sentence for " + f[0] + " " + f[1];
        sentences_.push_back({f[0], f[1], f[2]});
        return {};
    });
}

std::vector<std::string> HelpIndex::ReadPages(std::string_view text) {
    return ForEachRow(text, 2, [this](const std::vector<std::string>& f) -> std::string {
        if (!PageFor(f[0]).empty())
            return "a second page for " + f[0];
        pages_.emplace_back(f[0], f[1]);
        return {};
    });
}

const std::string* HelpIndex::WhatsThis(std::string_view window, std::string_view control) const {
    if (control.empty())
        return nullptr;
    const std::string* byPattern = nullptr;
    for (const Sentence& s : sentences_) {
        if (s.window != window)
            continue;
        if (s.control == control)
            return &s.text;
        if (!byPattern && MatchesPattern(s.control, control))
            byPattern = &s.text;
    }
    return byPattern;
}

std::string HelpIndex::PageFor(std::string_view window) const {
    for (const auto& [name, page] : pages_)
        if (name == window)
            return page;
    return {};
}

std::vector<HelpTopic> ContentsOf(std::string_view markdown) {
    std::vector<HelpTopic> topics;
    while (!markdown.empty()) {
        const std::size_t end = markdown.find('\n');
        std::string_view line = text::Trim(markdown.substr(0, end), " \t\r");
        markdown = end == std::string_view::npos ? std::string_view() : markdown.substr(end + 1);
        if (line.size() < 2 || (line[0] != '-' && line[0] != '*') || line[1] != ' ')
            continue;
        line = text::TrimLeft(line.substr(2));
        const std::size_t close = line.find("](");
        const std::size_t stop = close == std::string_view::npos ? close : line.find(')', close);
        if (line.empty() || line[0] != '[' || stop == std::string_view::npos)
            continue;
        const std::string_view page = line.substr(close + 2, stop - close - 2);
        // Only pages of the guide itself: no addresses, no anchors of this page.
        if (page.find(':') != std::string_view::npos || page.size() < 4 ||
            page.substr(page.size() - 3) != ".md")
            continue;
        topics.push_back({std::string(line.substr(1, close - 1)), std::string(page)});
    }
    return topics;
}
