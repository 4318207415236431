#pragma once

// CONTRACT between the replace engine and the window "In allen Dokumenten
// ersetzen" (to be implemented; this comment goes once it is).

#include "TextFile.h"
#include "TextMatcher.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

// Replacing a term in the files of the document list, after a preview: the
// hits the user ticked are written, file by file, each atomically and in its
// own encoding, byte-order mark and line ends (everything but the replaced
// text stays byte for byte). What a file held before is kept in the state
// folder so that the whole replace can be undone.
namespace ReplaceFiles {

// One document of the preview and what is to be written into it.
struct DocumentPlan
{
    int listIndex = -1;
    QString path;
    QString displayName;
    // The file as the preview read it: a file whose key or bytes differ at
    // write time changed since and is left alone.
    TextFile::FileKey key;
    quint64 contentHash = 0; // ReplaceFiles::hashBytes of the bytes read
    // By hit ordinal in the document (the order the matcher finds them in
    // the editor text): true = replace. Hits past the end are not replaced.
    std::vector<bool> ticked;
    // A Windows-1252 document that the replacement makes UTF-8: set after the
    // user agreed (otherwise the document is left out and reported).
    bool mayBecomeUtf8 = false;
};

struct Plan
{
    MatchOptions options;
    QString replacement;
    std::vector<DocumentPlan> documents;
};

enum class Outcome
{
    Written,       // replaced on disk
    ChangedOnDisk, // changed since the preview: left alone
    NeedsUtf8,     // Windows-1252 cannot hold the replacement and mayBecomeUtf8 was not set
    Skipped,       // not a regular file, unreadable, over the load limit …: reason says which
    Failed,        // the write failed (disk full …): the file is as it was; reason says why
    NotReached,    // cancelled before this file
    NothingTicked,
};

struct DocumentResult
{
    int listIndex = -1;
    QString path;
    QString displayName;
    Outcome outcome = Outcome::NotReached;
    int replaced = 0;
    QString reason; // German, for Skipped and Failed
};

// A fast hash of a file's bytes, the same at preview and at write time.
quint64 hashBytes(QByteArrayView bytes);

// The bytes after replacing the ticked matches of a file's bytes, read as
// the editor reads them; the rest byte for byte. *needsUtf8 is set (and the
// result empty) when the file is Windows-1252, cannot hold a replacement and
// allowUtf8 is false; with allowUtf8 the whole file becomes UTF-8 (no BOM).
// *replaced counts the replacements made.
QByteArray replaceInBytes(const QByteArray &bytes, const TextMatcher &matcher, const QString &replacement,
                          const std::vector<bool> &ticked, bool allowUtf8, bool *needsUtf8, int *replaced);

// The same on an editor text ("\n" line ends): the shown document with
// unsaved changes is replaced in the editor, not on disk.
QString replaceInText(const QString &text, const TextMatcher &matcher, const QString &replacement,
                      const std::vector<bool> &ticked, int *replaced);

// The undo data of one replace: the bytes every written file held before,
// in a folder of the state folder (AppPaths::stateFolder()), written and
// synced before the file itself is replaced, so that a replace ended at any
// point (a kill, a full disk) can still be undone at the next start.
class UndoStore final
{
public:
    // The undo data of this program (one replace at a time).
    static UndoStore forThisProgram();
    // Undo data that programs which ended without removing it left.
    static QList<UndoStore> leftOver();

    bool isEmpty() const;
    QStringList paths() const; // files it can put back
    // Puts every file back whose bytes are still those the replace wrote;
    // the others are reported (ChangedOnDisk) and left as they are.
    QList<DocumentResult> undo();
    // Removes the undo data.
    void discard();
};

// Writes a plan on the calling thread (a worker), file after file. cancel
// is looked at before each file; progress(done, total) after each. The
// result lists every document of the plan with its outcome.
QList<DocumentResult> write(const Plan &plan, UndoStore &undo, const std::atomic_bool &cancel,
                            const std::function<void(int done, int total)> &progress = {});

} // namespace ReplaceFiles
