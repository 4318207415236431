#pragma once

#include <QObject>

class DocumentLibrary;
class QTimer;
class RecoveryKeeper;
struct RecoveryRecord;

// Hands the shown document's unsaved text to the recovery file (see
// RecoveryKeeper) and back. The text is kept at most every
// DocumentLibrary::RecoveryDelayMs and whenever the editor or the program
// loses the focus; the file goes when the changes are saved or discarded.
// At start-up the text that ended programs left is offered for restoring.
class DocumentRecovery final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentRecovery)

public:
    // A child of the library, over its editor and editing state. Made after
    // the library marks edits as changes, so that it sees them marked.
    explicit DocumentRecovery(DocumentLibrary &library);

    RecoveryKeeper *keeper() const { return m_keeper; }
    // Keeps the text when it changed since it was last kept; removes the
    // file when nothing is left unsaved.
    void update();
    // See DocumentLibrary::offerLeftRecovery.
    void offerLeftOver();

private:
    bool restore(const RecoveryRecord &record);

    DocumentLibrary &m_library;
    RecoveryKeeper *m_keeper = nullptr;
    QTimer *m_timer = nullptr;
    bool m_dirty = false; // the text changed since it was last kept
    bool m_kept = false;  // the recovery file holds this program's text
};
