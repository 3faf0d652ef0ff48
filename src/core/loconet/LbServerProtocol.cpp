#include "core/loconet/LbServerProtocol.h"

#include "core/util/Text.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The rest of the line after `keyword` and at least one blank, or false.
bool AfterKeyword(std::string_view line, std::string_view keyword, std::string_view& rest) {
    if (line.substr(0, keyword.size()) != keyword)
        return false;
    rest = line.substr(keyword.size());
    return rest.empty() || IsBlank(rest[0]);
}

} // namespace

std::string FormatHexBytes(const std::uint8_t* data, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            s += ' ';
        s += kDigits[data[i] >> 4];
        s += kDigits[data[i] & 0x0F];
    }
    return s;
}

bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        int value = 0;
        std::size_t digits = 0;
        while (i < text.size() && !IsBlank(text[i])) {
            const int d = text::HexDigit(text[i]);
            if (d < 0 || ++digits > 2) {
                out.clear();
                return false;
            }
            value = value * 16 + d;
            ++i;
        }
        if (out.size() >= maxBytes) {
            out.clear();
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

LbLine ParseLbLine(std::string_view line) {
    LbLine result;
    std::string_view rest;
    const bool receive = AfterKeyword(line, "RECEIVE", rest);
    if (receive || AfterKeyword(line, "SEND", rest)) {
        result.kind = receive ? LbLineKind::Receive : LbLineKind::Send;
        if (!ParseHexBytes(rest, result.bytes) || result.bytes.empty())
            result.kind = LbLineKind::Malformed;
    } else if (AfterKeyword(line, "SENT", rest)) {
        std::size_t i = 0;
        while (i < rest.size() && IsBlank(rest[i]))
            ++i;
        const std::string_view status = rest.substr(i);
        result.kind = status.substr(0, 2) == "OK" ? LbLineKind::SentOk : LbLineKind::SentError;
    } else if (AfterKeyword(line, "VERSION", rest)) {
        result.kind = LbLineKind::Version;
    }
    return result;
}

std::string FormatLbLine(std::string_view keyword, const std::uint8_t* data, std::size_t count) {
    std::string s(keyword);
    if (count > 0) {
        s += ' ';
        s += FormatHexBytes(data, count);
    }
    s += "\r\n";
    return s;
}

void LbLineSplitter::Append(const char* data, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const char c = data[i];
        // Either ends a line, and so does any pair of them; empty lines are dropped.
        if (c == '\n' || c == '\r') {
            if (!skipping_ && !partial_.empty())
                lines_.push_back(std::move(partial_));
            partial_.clear();
            skipping_ = false;
        } else if (skipping_) {
            continue;
        } else if (partial_.size() >= kMaxLine) {
            partial_.clear();
            skipping_ = true;
            ++overlong_;
        } else {
            partial_ += c;
        }
    }
}

bool LbLineSplitter::Next(std::string& line) {
    if (nextLine_ >= lines_.size()) {
        lines_.clear();
        nextLine_ = 0;
        return false;
    }
    line = std::move(lines_[nextLine_++]);
    return true;
}

std::size_t LbLineSplitter::TakeOverlongCount() {
    const std::size_t n = overlong_;
    overlong_ = 0;
    return n;
}

void LbLineSplitter::Clear() {
    partial_.clear();
    lines_.clear();
    nextLine_ = 0;
    skipping_ = false;
    overlong_ = 0;
}
