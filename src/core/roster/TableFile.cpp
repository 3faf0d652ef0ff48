#include "core/roster/TableFile.h"

#include "core/util/Files.h"
#include "core/util/Text.h"

TableFileReader::TableFileReader(const std::string& path) {
    auto content = files::ReadAll(path);
    if (!content)
        return;
    opened_ = true;
    SplitLines(std::move(*content));
}

TableFileReader TableFileReader::FromText(std::string content) {
    TableFileReader reader;
    reader.opened_ = true;
    reader.SplitLines(std::move(content));
    return reader;
}

void TableFileReader::SplitLines(std::string content) {
    if (content.rfind("\xEF\xBB\xBF", 0) == 0)
        content.erase(0, 3);
    if (!text::IsValidUtf8(content))
        content = text::Cp1250ToUtf8(content);
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        std::size_t lineEnd = end == std::string::npos ? content.size() : end + 1;
        lines_.push_back(content.substr(pos, lineEnd - pos));
        pos = lineEnd;
    }
}

bool TableFileReader::SkipHeader() {
    if (next_ >= lines_.size())
        return false;
    ++next_;
    ++lineNumber_;
    return true;
}

bool TableFileReader::NextLine() {
    while (next_ < lines_.size()) {
        std::string& raw = lines_[next_++];
        ++lineNumber_;
        for (char& c : raw)
            if (c == '\0')
                c = ' ';
        std::string_view trimmed = text::TrimRight(raw, " \t\r\n");
        if (trimmed.empty())
            continue;
        line_.assign(trimmed);
        restPos_ = 0;
        return true;
    }
    line_.clear();
    restPos_ = 0;
    return false;
}

std::string TableFileReader::NextField() {
    std::string_view rest = Rest();
    std::size_t lead = rest.find_first_not_of(' ');
    if (lead == std::string_view::npos) {
        restPos_ = line_.size();
        return {};
    }
    rest.remove_prefix(lead);
    std::size_t tab = rest.find('\t');
    std::string_view field = tab == std::string_view::npos ? rest : rest.substr(0, tab);
    restPos_ = tab == std::string_view::npos
                   ? line_.size()
                   : static_cast<std::size_t>(rest.data() - line_.data()) + tab + 1;
    return std::string(text::TrimRight(field, " "));
}

std::vector<std::string> SplitCommaList(std::string_view rest) {
    std::vector<std::string> items;
    while (!rest.empty()) {
        std::size_t comma = rest.find(',');
        std::string_view item = comma == std::string_view::npos ? rest : rest.substr(0, comma);
        items.emplace_back(text::TrimRight(item, " "));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return items;
}

std::string TableFileMessage(const std::string& fileName, int lineNumber, const std::string& what) {
    return text::Format("Napaka v datoteki '%s', v vrstici %d: %s", fileName.c_str(), lineNumber,
                        what.c_str());
}
