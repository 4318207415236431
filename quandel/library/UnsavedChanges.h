#pragma once

#include "EditingState.h"

// The decision of the unsaved-changes check (TextChanging) over the editing
// state, without a window: the check asks for one step at a time, the caller
// carries it out (asks the user, saves, restores the list selection) and
// reports back, until the check is done.
//
// The pair (mAction, mChange) is a small state machine. A Yes or Cancel to
// the question is left pending in mAction and the list selection is moved back
// to the shown document; the selection handler, run again by that move, meets
// the pending answer and carries it out: Yes saves, Cancel keeps the text
// marked changed. The command that asked stops in both cases.
class UnsavedChangesCheck final
{
public:
    enum class Step
    {
        Proceed,         // done: the command goes on (TextChanging returns 0)
        Stop,            // done: the command stops (TextChanging returns 1)
        AskToSave,       // ask the unsaved-changes question, then answered()
        ReselectAndStop, // select the entry of mIndex again; the command stops
        Save,            // save the shown document, then saved()
        SaveAs           // save the untitled document under a new name, then saved()
    };
    enum class Answer
    {
        Yes,
        No,
        Cancel
    };

    // An untitled document (no file yet) is saved with Save as.
    UnsavedChangesCheck(EditingState &state, bool untitled) : m_state(state), m_untitled(untitled) {}

    // The first step of a check of the state as it is.
    Step start();
    // After AskToSave.
    Step answered(Answer answer);
    // After Save or SaveAs; they may have changed the state themselves (a
    // cancelled Save as of an untitled document leaves Cancel pending).
    Step saved(bool ok);

    static bool isDone(Step step) { return step == Step::Proceed || step == Step::Stop; }

private:
    Step consumePendingCancel(Step otherwise);

    EditingState &m_state;
    bool m_untitled;
};
