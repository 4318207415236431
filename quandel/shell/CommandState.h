#pragma once

#include <QHash>
#include <QString>

#include <array>

// Which menu entries are enabled follows from the window's state alone. The
// rules run in a fixed order; a later rule may change an entry an earlier
// one set. Entries a rule does not mention keep their state.
namespace CommandState {

struct Snapshot
{
    bool fileSelected = false;     // the file listing has a current file
    bool documentSelected = false; // the document list has a selection
    bool unlistedDocument = false; // the editor shows a file the list has no entry for
    bool textEmpty = true;         // the editor holds no text
    bool selectionEmpty = true;    // no text is selected in the editor
    int checkedKind = 0;           // checked view entry, -1 = none
    bool focusInEditor = false;
    bool clipboardHasText = false;
    bool searchTermEmpty = true;
    // The sibling programs of the help menu: whether the first entry is
    // enabled now, and whether each program file exists.
    bool firstSiblingEnabled = true;
    std::array<bool, 3> siblingExists{};
};

// Entry object name → enabled.
using Result = QHash<QString, bool>;

Result evaluate(const Snapshot &state);

} // namespace CommandState
