#pragma once
// The layout document: the elements of the layout panel in creation or file order, and
// their .vlk text.

#include "core/layout/LayoutElement.h"
#include "core/layout/VlkFile.h"

#include <functional>
#include <optional>
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
    // Shows a turnout in a position (or TurnoutData::kUnknown). Operating is not editing:
    // the document stays unmodified.
    void SetTurnoutPosition(int index, int position);
    // Gives a detector its sensor address.
    void SetSensor(int index, int address);
    // Shows a detector occupied or free (what its sensor reports; not an edit).
    void SetOccupied(int index, bool occupied);
    // Shows whether the bus has confirmed what a turnout or detector shows, and the position
    // a turnout's waiting requests ask for (TurnoutData::kNoRequest: none). Not an edit;
    // true when it changed.
    bool SetBusState(int index, bool confirmed, int requested);
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
    // Loading: shows the "Serialize" box and the faults of the text in one box, replaces
    // the elements and clears the modified mark. Returns the number of faults. A text that
    // is not a layout is refused with one message naming `name`; the elements stay, and
    // the result is -1.
    int Load(std::string_view text, Prompts& prompts, const std::string& name = "");

    // Loads a file as Load does, reading no further than the layout's limit; -1 when it
    // cannot be read or is not a layout (the message has been shown).
    int OpenFile(const std::string& path, Prompts& prompts);
    // The two steps of OpenFile, so that a question can come between them: reading, which
    // shows why a file cannot be opened (nothing then), and taking what was read.
    static std::optional<VlkReadResult> ReadFile(const std::string& path, Prompts& prompts);
    int Take(VlkReadResult result, Prompts& prompts, const std::string& name);
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
