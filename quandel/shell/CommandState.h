#pragma once

#include "Commands.h"

#include <array>
#include <optional>

// Which menu entries are enabled follows from the window's state alone. The
// rules run in a fixed order; a later rule may change an entry an earlier
// one set. Entries a rule does not mention keep their state.
namespace CommandState {

struct Snapshot
{
    bool fileSelected = false;     // the file listing has a current file
    bool documentSelected = false; // the document list has a selection
    bool unlistedDocument = false; // the editor shows a file the list has no entry for, or untitled text
    bool textEmpty = true;         // the editor holds no text
    bool selectionEmpty = true;    // no text is selected in the editor
    int checkedKind = 0;           // checked view entry, -1 = none
    bool focusInEditor = false;
    bool clipboardHasText = false;
    bool searchTermEmpty = true;
    // The files of the last replace can be put back (its undo data exist
    // and no replace or undo is under way).
    bool replaceUndoAvailable = false;
    // The sibling programs of the help menu: whether the first entry is
    // enabled now, and whether each program file exists.
    bool firstSiblingEnabled = true;
    std::array<bool, 3> siblingExists{};
};

// Command → enabled, for the commands the rules set.
class Result final
{
public:
    void set(Command command, bool enabled) { m_enabled[std::size_t(command)] = enabled; }
    bool contains(Command command) const { return m_enabled[std::size_t(command)].has_value(); }
    bool value(Command command, bool fallback = false) const
    {
        return m_enabled[std::size_t(command)].value_or(fallback);
    }

private:
    std::array<std::optional<bool>, CommandCount> m_enabled{};
};

Result evaluate(const Snapshot &state);

} // namespace CommandState
