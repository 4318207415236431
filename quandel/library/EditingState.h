#pragma once

#include <QString>

// What the main window knows about the shown document.
struct EditingState
{
    // The pending answer of the unsaved-changes question.
    enum class Pending
    {
        None,
        Save,
        Cancel
    };

    // The name of a document that has no file yet.
    static QString untitledName() { return QStringLiteral("Unbenannt"); }

    QString mFile;        // document name for messages, untitledName() when untitled
    int mIndex = 0;       // list index of the document, -1 = untitled
    bool mChange = false; // the editor holds changes that are not saved
    Pending mAction = Pending::None;
    bool mFocusText = false; // the editor has the keyboard focus
};
