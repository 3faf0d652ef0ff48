#pragma once
// An ini file as the lines it holds. Values are read the way the platform's profile
// functions read them, and written back into their own lines, so that comments, lines it
// does not understand and keys of other programs survive a write.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    explicit IniFile(std::string_view content = {});

    // The value of `key` in section `section` (names compare without regard to case): the
    // text after the equals sign without the blanks around it and without one pair of
    // double quotes around it. Only the first section of a name and the first key of a
    // name in it count.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // Replaces the value of the key that Get reads, or adds the key after the last key of
    // the section, or the section at the end of the file.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every line of the key in the section that Get reads.
    void Remove(std::string_view section, std::string_view key);

    std::string Text() const;

private:
    struct Line {
        std::string text;    // without the line end
        bool carriageReturn; // the line ended in "\r\n"
    };
    // Index range [first, end) of the lines of a section, header excluded; nullopt if none.
    struct Range {
        std::size_t header, first, end;
    };
    std::optional<Range> FindSection(std::string_view section) const;
    // The key's index in the range, or the range's end.
    std::size_t FindKey(const Range& range, std::string_view key) const;

    std::vector<Line> lines_;
    bool byteOrderMark_ = false;
    bool windowsLineEnds_ = false;
};
