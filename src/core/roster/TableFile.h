#pragma once
// The reader shared by the three table files (Decoders.tab, Functions.tab, Roster.tab).
//
// A line is read whole, however long (a roster row with many function maps is longer than
// a fixed line buffer, and cutting it would turn its tail into a bogus row); a zero byte
// becomes a blank and trailing white space is removed; empty lines are skipped but
// counted. Fields are separated by tabs and trimmed of blanks. A file that is not valid
// UTF-8 is taken to be Windows-1250 and converted.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TableFileReader {
public:
    // Reads the file whole; Opened() tells whether it existed.
    explicit TableFileReader(const std::string& path);
    // Reads the given content, as if it had been the file (for tests and --check).
    static TableFileReader FromText(std::string content);

    bool Opened() const { return opened_; }

    // Skips the header, the first physical line, whatever it holds; false for an empty file.
    bool SkipHeader();
    // Moves to the next non-empty line; false at the end of the file.
    bool NextLine();
    // Physical number of the current line, the header being line 1.
    int LineNumber() const { return lineNumber_; }
    const std::string& Line() const { return line_; }

    // Takes the next field from the front of the rest of the current line.
    std::string NextField();
    std::string_view Rest() const { return std::string_view(line_).substr(restPos_); }

private:
    TableFileReader() = default;
    void SplitLines(std::string content);

    bool opened_ = false;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    int lineNumber_ = 0;
    std::string line_;
    std::size_t restPos_ = 0;
};

// Splits a comma-separated list the way the table files do: each item is the text up to
// the next comma with trailing blanks removed; an empty text gives no items.
std::vector<std::string> SplitCommaList(std::string_view rest);

// The message for a fault on one line of a table file.
std::string TableFileMessage(const std::string& fileName, int lineNumber, const std::string& what);
