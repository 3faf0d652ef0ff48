#pragma once
// The layout document: the elements of the layout panel in creation or file order, and
// their .vlk text.

#include "core/layout/LayoutElement.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class Prompts;

class CVlakomatDoc {
public:
    static constexpr int kMaxElements = 1000;
    // Cells a coordinate may reach; the panel's pixels stay well inside an int.
    static constexpr int kMaxCells = 1000;

    int Count() const { return static_cast<int>(elements_.size()); }
    const LayoutElement& Element(int index) const { return elements_[index]; }
    const std::vector<LayoutElement>& Elements() const { return elements_; }

    // The element in a cell: the one added last, or -1.
    int FindElement(int column, int row) const;
    // Appends an element with subtype 0 and direction 0 (a turnout with its defaults);
    // false when the document is full or the cell lies outside the panel.
    bool AddElement(int column, int row, int type);
    void RemoveElement(int index);
    // Turns every element in the cell by `steps` eighths (negative: anticlockwise); false
    // when the cell holds none.
    bool RotateAt(int column, int row, int steps);
    // Moves every element in the cell that has more than one subtype to its next one.
    bool NextSubtypeAt(int column, int row);
    // Replaces the turnout data of an element (the turnout dialog's OK).
    void SetTurnout(int index, const TurnoutData& data);
    // Moves a turnout to its next position, wrapping to 0 after the last; the new position.
    int AdvanceTurnout(int index);
    void UpdateConnections(int index);

    // Empties the document (a new layout).
    void DeleteContents();

    // Edits mark the document modified; saving and loading clear the mark.
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // Called after every change so that the views redraw.
    void SetUpdateHandler(std::function<void()> handler) { update_ = std::move(handler); }
    void UpdateAllViews() const;

    // Storing: shows the "Serialize" box and returns the file's text.
    std::string Store(Prompts& prompts) const;
    // Loading: shows the "Serialize" box and every fault of the text, replaces the
    // elements and clears the modified mark. Returns the number of faults shown.
    int Load(std::string_view text, Prompts& prompts);

    // Loads a file as Load does; -1 when it cannot be read (the message has been shown).
    int OpenFile(const std::string& path, Prompts& prompts);
    // Stores into a file (written whole or not at all); false when that failed (the
    // message has been shown). The modified mark is cleared on success.
    bool SaveFile(const std::string& path, Prompts& prompts);

private:
    void Edited();
    // Everything as read from a file; `elements` respect the limits.
    void Replace(std::vector<LayoutElement> elements);

    std::vector<LayoutElement> elements_;
    bool modified_ = false;
    std::function<void()> update_;
};
