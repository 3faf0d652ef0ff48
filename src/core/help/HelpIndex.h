#pragma once
// The operator's guide seen from the program: which page of the guide explains which
// window, the "What's this?" sentence of every control, and the guide's contents. All of it
// is data that comes with the guide, so a new window joins by adding rows, not code.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HelpTopic {
    std::string title;
    std::string page; // a file of the guide, such as "nastavitve.md"
};

class HelpIndex {
public:
    // Rows "window<TAB>control<TAB>sentence": the sentence of the control with that
    // objectName in the window with that objectName. A '*' in the control's name stands for
    // any text (f*Button). Blank lines and lines that begin with '#' are left out. Returns
    // one text per faulty line ("line 7: ..."); the good rows are kept.
    std::vector<std::string> ReadWhatsThis(std::string_view text);
    // Rows "window<TAB>page": the page that F1 opens in that window.
    std::vector<std::string> ReadPages(std::string_view text);

    // The sentence for a control, or nullptr. An exact name wins over a pattern.
    const std::string* WhatsThis(std::string_view window, std::string_view control) const;
    // The page of a window; empty when the guide has none for it.
    std::string PageFor(std::string_view window) const;

    struct Sentence {
        std::string window;
        std::string control;
        std::string text;
    };
    const std::vector<Sentence>& Sentences() const { return sentences_; }
    // Window and page, for every window with a page.
    const std::vector<std::pair<std::string, std::string>>& Pages() const { return pages_; }

private:
    std::vector<Sentence> sentences_;
    std::vector<std::pair<std::string, std::string>> pages_;
};

// The chapters of the guide, from its contents page: every list item that is a link to a
// page of the guide ("- [Prvi koraki](zacetek.md)"), in order.
std::vector<HelpTopic> ContentsOf(std::string_view markdown);

// Whether `name` matches `pattern`, in which '*' stands for any text.
bool MatchesPattern(std::string_view pattern, std::string_view name);
