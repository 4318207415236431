#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class DocumentLibrary;
class ShownDocument;
class QTimer;
class RecoveryKeeper;
struct LeftRecovery;
struct RecoveryRecord;

// Hands the shown document's unsaved text to the recovery file (see
// RecoveryKeeper) and back. The text is kept at most every
// DocumentLibrary::RecoveryDelayMs and whenever the editor or the program
// loses the focus; the file goes when the changes are saved or discarded.
// When the file cannot be written, the user is told once per run, and the
// next interval tries again. At start-up the text that ended programs left
// is offered for restoring.
class DocumentRecovery final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentRecovery)

public:
    // A child of the library, over its editor and editing state. Made after
    // the library marks edits as changes, so that it sees them marked.
    DocumentRecovery(DocumentLibrary &library, ShownDocument &shown);

    RecoveryKeeper *keeper() const { return m_keeper; }
    // Keeps the text when it changed since it was last kept; removes the
    // file when nothing is left unsaved.
    void update();
    // Keeps the text (or removes the file) at once and waits until it is
    // written: for a program about to end. False when unsaved text could
    // not be written.
    bool writeNow();
    // Whether a path a recovery file names is a favourite's document; such
    // a path and those in the document folder are restored to, any other
    // text comes back as a new document.
    void setFavouriteCheck(std::function<bool(const QString &)> isFavourite) { m_isFavourite = std::move(isFavourite); }
    // See DocumentLibrary::offerLeftRecovery.
    void offerLeftOver();

private:
    enum class Decision
    {
        Keep,
        Discard,
        Restore,
        Saved // written elsewhere already
    };

    void writeFailed(const QString &reason);
    // The path to restore the record's text to: its own when it lies in
    // the document folder or is a favourite's, else empty.
    QString trustedPath(const RecoveryRecord &record) const;
    QString describe(const LeftRecovery &found) const;
    Decision ask(const LeftRecovery &found, bool editorTaken);
    Decision askAboutLargeText(const LeftRecovery &found);
    int askAboutAll(const std::vector<LeftRecovery> &left);
    void carryOut(std::vector<LeftRecovery> &left, const std::vector<Decision> &decisions);
    // Writes the text as a new document of the folder; its file name, or
    // empty with *error set.
    QString saveAsNewDocument(const LeftRecovery &found, QString *error);
    bool restore(const LeftRecovery &found);
    // Selects the list entry of a document of the folder (loading it); false
    // when the list has none for it.
    bool selectEntryOf(const QString &path, int kind);

    DocumentLibrary &m_library;
    ShownDocument &m_shown;
    RecoveryKeeper *m_keeper = nullptr;
    QTimer *m_timer = nullptr;
    std::function<bool(const QString &)> m_isFavourite;
    bool m_dirty = false;      // the text changed since it was last kept
    bool m_kept = false;       // the recovery file holds this program's text
    bool m_toldFailed = false; // the user knows the text is not protected
};
