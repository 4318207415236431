#include "UnsavedChanges.h"

using Pending = EditingState::Pending;
using Step = UnsavedChangesCheck::Step;

Step UnsavedChangesCheck::start()
{
    if (m_state.mAction == Pending::None) {
        return m_state.mChange ? Step::AskToSave : Step::Proceed;
    }
    if (m_state.mAction == Pending::Save) {
        m_state.mChange = false;
        m_state.mAction = Pending::None;
        return m_untitled ? Step::SaveAs : Step::Save;
    }
    return consumePendingCancel(Step::Proceed);
}

Step UnsavedChangesCheck::answered(Answer answer)
{
    switch (answer) {
    case Answer::Yes:
        m_state.mAction = Pending::Save;
        return Step::ReselectAndStop;
    case Answer::No:
        m_state.mAction = Pending::None;
        m_state.mChange = false;
        return Step::Proceed;
    case Answer::Cancel:
        break;
    }
    m_state.mAction = Pending::Cancel;
    return Step::ReselectAndStop;
}

Step UnsavedChangesCheck::saved(bool ok)
{
    Step next = Step::Proceed;
    if (!ok && m_state.mAction == Pending::None) {
        // The text could not be written: keep it and stop the command that
        // asked, rather than let it replace the unsaved text.
        m_state.mChange = true;
        next = Step::Stop;
    }
    return consumePendingCancel(next);
}

Step UnsavedChangesCheck::consumePendingCancel(Step otherwise)
{
    if (m_state.mAction != Pending::Cancel) {
        return otherwise;
    }
    m_state.mChange = true;
    m_state.mAction = Pending::None;
    return Step::Stop;
}
