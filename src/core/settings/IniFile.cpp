#include "core/settings/IniFile.h"

#include "core/util/Text.h"

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && text::ToUpperAscii(a) == text::ToUpperAscii(b);
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = text::Trim(line, kBlanks);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return text::Trim(line.substr(1, close - 1), kBlanks);
}

// Splits a "key = value" line; false for comments and lines without an equals sign.
bool SplitKey(std::string_view line, std::string_view& key, std::string_view& value) {
    line = text::Trim(line, kBlanks);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || line.front() == '#' ||
        equals == std::string_view::npos)
        return false;
    key = text::Trim(line.substr(0, equals), kBlanks);
    value = text::Trim(line.substr(equals + 1), kBlanks);
    return !key.empty();
}

// A value is one line: line ends in it would make lines of their own.
std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

// A value that reading would change (blanks at its ends, or a pair of quotes around it) is
// written inside quotes, which reading takes away again.
std::string AsWritten(std::string_view value) {
    const std::string line = OneLine(value);
    const bool blankEnds = !line.empty() && (kBlanks.find(line.front()) != std::string_view::npos ||
                                             kBlanks.find(line.back()) != std::string_view::npos);
    const bool quoted = line.size() >= 2 && line.front() == '"' && line.back() == '"';
    return blankEnds || quoted ? '"' + line + '"' : line;
}

} // namespace

IniFile::IniFile(std::string_view content) {
    if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        byteOrderMark_ = true;
        content.remove_prefix(kByteOrderMark.size());
    }
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr)
            line.remove_suffix(1);
        lines_.push_back(Line{std::string(line), cr});
    }
    windowsLineEnds_ = !lines_.empty() && lines_.front().carriageReturn;
}

std::optional<IniFile::Range> IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i].text);
        if (!name || !SameName(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end].text))
            ++end;
        return Range{i, i + 1, end};
    }
    return std::nullopt;
}

std::size_t IniFile::FindKey(const Range& range, std::string_view key) const {
    std::string_view k, v;
    for (std::size_t i = range.first; i < range.end; ++i)
        if (SplitKey(lines_[i].text, k, v) && SameName(k, key))
            return i;
    return range.end;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const auto range = FindSection(section);
    if (!range)
        return std::nullopt;
    const std::size_t i = FindKey(*range, key);
    std::string_view k, value;
    if (i == range->end || !SplitKey(lines_[i].text, k, value))
        return std::nullopt;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    auto range = FindSection(section);
    if (!range) {
        // A new section goes at the end, after one blank line.
        if (!lines_.empty() && !text::Trim(lines_.back().text, kBlanks).empty())
            lines_.push_back(Line{"", windowsLineEnds_});
        lines_.push_back(Line{'[' + std::string(section) + ']', windowsLineEnds_});
        range = Range{lines_.size() - 1, lines_.size(), lines_.size()};
    }
    const std::size_t i = FindKey(*range, key);
    if (i < range->end) {
        // The key keeps the spelling that the file gives it.
        std::string_view k, v;
        SplitKey(lines_[i].text, k, v);
        lines_[i].text = std::string(k) + "=" + AsWritten(value);
        return;
    }
    std::size_t at = range->first;
    std::string_view k, v;
    for (std::size_t j = range->first; j < range->end; ++j)
        if (SplitKey(lines_[j].text, k, v))
            at = j + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::string(key) + "=" + AsWritten(value), windowsLineEnds_});
}

void IniFile::Remove(std::string_view section, std::string_view key) {
    const auto range = FindSection(section);
    if (!range)
        return;
    std::string_view k, v;
    std::size_t end = range->end;
    for (std::size_t i = range->first; i < end;)
        if (SplitKey(lines_[i].text, k, v) && SameName(k, key)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
            --end;
        } else {
            ++i;
        }
}

std::string IniFile::Text() const {
    std::string out = byteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const Line& line : lines_) {
        out += line.text;
        out += line.carriageReturn ? "\r\n" : "\n";
    }
    return out;
}
