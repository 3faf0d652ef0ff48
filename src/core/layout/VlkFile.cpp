#include "core/layout/VlkFile.h"

#include "core/layout/VlakomatDoc.h"
#include "core/util/Text.h"

#include <algorithm>

namespace {

// The text before the next separator, without blanks at its end; `rest` moves past the
// separator and the blanks after it. A missing field is empty.
std::string_view TakeField(std::string_view& rest, char separator) {
    const std::size_t at = rest.find(separator);
    std::string_view field = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view() : text::TrimLeft(rest.substr(at + 1));
    return text::TrimRight(field, " ");
}

int TakeInt(std::string_view& rest, char separator) {
    return text::ParseInt(TakeField(rest, separator));
}

bool StartsWith(std::string_view s, char c) {
    return !s.empty() && s.front() == c;
}

// The faults of a read: every one counted, the first few kept to be shown.
void AddFault(VlkReadResult& result, std::string message) {
    if (result.faults++ < VlkReadResult::kShownFaults)
        result.messages.push_back(std::move(message));
}

class LineReader {
public:
    LineReader(int lineNumber, VlkReadResult& result) : lineNumber_(lineNumber), result_(result) {}

    // False when the line is skipped.
    bool Read(std::string_view line, LayoutElement& e) {
        std::string_view rest = text::TrimLeft(line);
        std::string_view place = TakeField(rest, '|');
        std::string_view kind = TakeField(rest, '|');
        std::string_view extra = TakeField(rest, '|');
        e.row = TakeInt(place, ',');
        e.column = TakeInt(place, ',');
        e.direction = TakeInt(place, ',');
        e.type = TakeInt(kind, ',');
        e.subtype = TakeInt(kind, ',');

        if (e.type < 0 || e.type >= ElementType::kCount)
            return Fault("Napaka! Neveljaven tip elementa v vrstici %d!"), false;
        if (e.row < 0 || e.column < 0 || e.row >= CVlakomatDoc::kMaxCells ||
            e.column >= CVlakomatDoc::kMaxCells)
            return Fault("Napaka! Neveljaven položaj elementa v vrstici %d!"), false;
        if (e.direction < 0 || e.direction > 7)
            Fault("Napaka! Neveljavna smer v vrstici %d!");
        if (e.subtype < 0 || e.subtype >= kSubtypeCounts[e.type])
            Fault("Napaka! Neveljaven podtip v vrstici %d!");
        e.connections = ConnectionMask(e.type, e.subtype, e.direction);

        const bool hasTurnout = e.type == ElementType::kTurnout || e.type == ElementType::kThreeWay;
        if (hasTurnout)
            e.turnout = TurnoutData::Defaults(e.type);
        if (StartsWith(extra, 'T')) {
            if (hasTurnout)
                ReadTurnout(extra.substr(1), *e.turnout);
            else
                Fault("Napaka! Podatki kretnice pri elementu, ki ni kretnica, v vrstici %d!");
        } else if (StartsWith(extra, 'S')) {
            if (e.IsDetector())
                ReadSensor(extra.substr(1), e);
            else
                Fault("Napaka! Naslov detektorja pri elementu, ki ni detektor, v vrstici %d!");
        }
        return true;
    }

private:
    void ReadSensor(std::string_view field, LayoutElement& e) {
        const int address = text::ParseInt(field);
        if (address >= 0 && address <= kMaxSensorAddress)
            e.sensor = address;
        else
            Fault("Napaka! Neveljaven naslov detektorja v vrstici %d!");
    }

    void ReadTurnout(std::string_view rest, TurnoutData& t) {
        int outputs = 0;
        bool tooMany = false;
        std::string_view group = TakeField(rest, ';');
        for (; StartsWith(group, 'a'); group = TakeField(rest, ';')) {
            if (outputs == TurnoutData::kMaxOutputs) {
                tooMany = true;
                continue;
            }
            ReadOutput(group.substr(1), t.positions, t.output[outputs++]);
        }
        if (tooMany)
            Fault("Napaka! Kretnica ima lahko največ dva izhoda; odvečni izhodi v vrstici %d "
                  "niso prebrani!");
        // A turnout part without outputs keeps the defaults, so that it can still be switched.
        if (outputs > 0)
            t.outputs = outputs;
        if (StartsWith(group, 's')) {
            const int position = text::ParseInt(group.substr(1));
            if (position >= 0 && position < t.positions)
                t.current = position;
            else
                Fault("Napaka! Neveljaven položaj kretnice v vrstici %d!");
        }
    }

    void ReadOutput(std::string_view fields, int positions, TurnoutOutput& out) {
        out = TurnoutOutput{};
        out.address = TakeInt(fields, ',');
        bool invalid = false;
        for (int p = 0; p < positions; ++p) {
            const int state = TakeInt(fields, ',');
            const bool valid = state >= OutputState::kClosed && state <= OutputState::kNothing;
            invalid |= !valid;
            out.states[p] = valid ? state : OutputState::kNothing;
        }
        if (invalid)
            Fault("Napaka! Neveljavno stanje izhoda v vrstici %d!");
        if (!fields.empty())
            Fault("Napaka! Preveč stanj izhoda v vrstici %d!");
    }

    void Fault(const char* format) { AddFault(result_, text::Format(format, lineNumber_)); }

    int lineNumber_;
    VlkReadResult& result_;
};

// A line of a layout starts with its row; a blank line reads as an element too.
bool LooksLikeElement(std::string_view line) {
    const std::string_view rest = text::TrimLeft(line, " \t");
    return !rest.empty() && (rest.front() == '-' || (rest.front() >= '0' && rest.front() <= '9'));
}

bool IsInteger(std::string_view s) {
    if (StartsWith(s, '-'))
        s.remove_prefix(1);
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `count` integers separated by commas, and nothing more.
bool AreIntegers(std::string_view part, int count) {
    for (int i = 0; i < count; ++i)
        if (!IsInteger(TakeField(part, ',')))
            return false;
    return part.empty();
}

// Row, column and direction, then type and subtype: what every element line of a layout
// has, whatever its values. Text that merely starts with numbers (a log, a table) has not.
bool HasElementShape(std::string_view line) {
    std::string_view rest = text::TrimLeft(line);
    const std::string_view place = TakeField(rest, '|');
    const std::string_view kind = TakeField(rest, '|');
    return AreIntegers(place, 3) && AreIntegers(kind, 2);
}

bool IsBlank(std::string_view line) {
    return text::TrimLeft(line, " \t").empty();
}

// Layouts are plain text: control characters other than tab and line ends mean some other
// kind of file.
bool HasControlCharacter(std::string_view chunk) {
    for (const char c : chunk) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\n' && c != '\r') || u == 0x7F)
            return true;
    }
    return false;
}

} // namespace

bool VlkReader::Feed(std::string_view chunk) {
    if (done_)
        return false;
    if (!chunk.empty())
        any_ = true;
    if (HasControlCharacter(chunk)) {
        result_.refused = true;
        done_ = true;
        return false;
    }
    while (!chunk.empty() && !done_) {
        const std::size_t end = chunk.find('\n');
        if (!overlong_) {
            line_.append(chunk.substr(0, std::min(end, kMaxLineLength + 1 - line_.size())));
            overlong_ = line_.size() > kMaxLineLength;
        }
        if (end == std::string_view::npos)
            break;
        chunk.remove_prefix(end + 1);
        TakeLine(line_);
        line_.clear();
        overlong_ = false;
    }
    return !done_;
}

VlkReadResult VlkReader::Finish() {
    if (!done_ && !line_.empty())
        TakeLine(line_);
    line_.clear();
    if (any_ && !elementLine_)
        result_.refused = true;
    if (result_.refused)
        result_ = VlkReadResult{{}, {}, 0, true};
    done_ = true;
    return std::move(result_);
}

void VlkReader::TakeLine(std::string_view line) {
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.size() <= kMaxLineLength && !text::IsValidUtf8(line)) {
        result_.refused = true;
        done_ = true;
        return;
    }
    if (static_cast<int>(result_.elements.size()) >= CVlakomatDoc::kMaxElements) {
        AddFault(result_, text::Format("Napaka! Maketa ima lahko največ %d elementov; vrstice od "
                                       "%d naprej niso prebrane!",
                                       CVlakomatDoc::kMaxElements, lineNumber_));
        done_ = true;
        return;
    }
    const bool element = LooksLikeElement(line) && line.size() <= kMaxLineLength;
    elementLine_ = elementLine_ || (element && HasElementShape(line));
    if (!element && !IsBlank(line)) {
        AddFault(result_,
                 text::Format("Napaka! Vrstica %d ni element makete in ni prebrana!", lineNumber_));
        return;
    }
    LayoutElement e;
    if (LineReader(lineNumber_, result_).Read(line, e))
        result_.elements.push_back(e);
}

VlkReadResult ReadVlk(std::string_view text) {
    VlkReader reader;
    reader.Feed(text);
    return reader.Finish();
}

std::string FormatVlkLine(const LayoutElement& e) {
    std::string line =
        text::Format("%d,%d,%d|%d,%d", e.row, e.column, e.direction, e.type, e.subtype);
    if (e.turnout) {
        const TurnoutData& t = *e.turnout;
        line += "|T";
        for (int o = 0; o < t.outputs && o < TurnoutData::kMaxOutputs; ++o) {
            line += text::Format("a%d", t.output[o].address);
            for (int p = 0; p < t.positions && p < 4; ++p)
                line += text::Format(",%d", t.output[o].states[p]);
            line += ';';
        }
        if (t.current > 0)
            line += text::Format("s%d", t.current);
    }
    if (e.IsDetector())
        line += text::Format("|S%d", e.sensor);
    return line + "\r\n";
}

std::string FormatVlk(const std::vector<LayoutElement>& elements) {
    std::string out;
    for (const LayoutElement& e : elements)
        out += FormatVlkLine(e);
    return out;
}
