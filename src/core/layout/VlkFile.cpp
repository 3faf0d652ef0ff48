#include "core/layout/VlkFile.h"

#include "core/layout/VlakomatDoc.h"
#include "util/Text.h"

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

class LineReader {
public:
    LineReader(int lineNumber, std::vector<std::string>& messages)
        : lineNumber_(lineNumber), messages_(messages) {}

    // False when the line is skipped.
    bool Read(std::string_view line, LayoutElement& e) {
        std::string_view rest = text::TrimLeft(line);
        std::string_view place = TakeField(rest, '|');
        std::string_view kind = TakeField(rest, '|');
        std::string_view turnout = TakeField(rest, '|');
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
        if (StartsWith(turnout, 'T')) {
            if (hasTurnout)
                ReadTurnout(turnout.substr(1), *e.turnout);
            else
                Fault("Napaka! Podatki kretnice pri elementu, ki ni kretnica, v vrstici %d!");
        }
        return true;
    }

private:
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

    void Fault(const char* format) { messages_.push_back(text::Format(format, lineNumber_)); }

    int lineNumber_;
    std::vector<std::string>& messages_;
};

} // namespace

VlkReadResult ReadVlk(std::string_view text) {
    VlkReadResult result;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++lineNumber;
        if (static_cast<int>(result.elements.size()) >= CVlakomatDoc::kMaxElements) {
            result.messages.push_back(text::Format(
                "Napaka! Maketa ima lahko največ %d elementov; vrstice od %d naprej niso "
                "prebrane!",
                CVlakomatDoc::kMaxElements, lineNumber));
            break;
        }
        LayoutElement element;
        if (LineReader(lineNumber, result.messages).Read(line, element))
            result.elements.push_back(std::move(element));
    }
    return result;
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
        if (t.current != 0)
            line += text::Format("s%d", t.current);
    }
    return line + "\r\n";
}

std::string FormatVlk(const std::vector<LayoutElement>& elements) {
    std::string out;
    for (const LayoutElement& e : elements)
        out += FormatVlkLine(e);
    return out;
}
