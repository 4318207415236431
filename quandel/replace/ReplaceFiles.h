#pragma once

#include "TextFile.h"
#include "TextMatcher.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// Replacing a term in the files of the document list, after a preview: the
// hits the user ticked are written, file by file, each atomically and in its
// own encoding, byte-order mark and line ends (everything but the replaced
// text stays byte for byte). What a file held before is kept in the state
// folder so that the whole replace can be undone.
namespace ReplaceFiles {

// One document of the preview and what is to be written into it. The shown
// document with unsaved changes is not one of them: it is replaced in the
// editor (replaceInText()).
struct DocumentPlan
{
    int listIndex = -1;
    QString path;
    QString displayName;
    // The file as the preview read it (AllHits::Document::key and
    // contentHash): a file whose key or bytes differ at write time changed
    // since and is left alone.
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
    ChangedOnDisk, // changed since the preview (or, on undo, since the replace): left alone
    NeedsUtf8,     // Windows-1252 cannot hold the replacement and mayBecomeUtf8 was not set
    Skipped,       // not a regular file, unreadable, over the load limit …: reason says which
    Failed,        // the write failed (disk full …): the file is as it was; reason says why
    NotReached,    // cancelled before this file
    NothingTicked,
    Restored, // undo: the file holds its bytes from before the replace again
};

struct DocumentResult
{
    int listIndex = -1;
    QString path;
    QString displayName;
    Outcome outcome = Outcome::NotReached;
    int replaced = 0;
    QString reason;          // German, for ChangedOnDisk, Skipped and Failed
    bool becameUtf8 = false; // Written: a Windows-1252 file is UTF-8 now
};

// A fast hash of a file's bytes, the same at preview and at write time
// (AllHits::contentHash).
quint64 hashBytes(QByteArrayView bytes);

// The bytes after replacing the ticked matches of a file's bytes, read as
// the editor reads them (TextFile::decode, DocumentText::fromFile); the rest
// byte for byte: the BOM, every line end as it was (a lone LF in a CR LF
// file too), any odd byte. A replacement is encoded in the file's encoding,
// a line end in it as the file's line end style. *needsUtf8 tells that the
// file is Windows-1252 and cannot hold a replacement (or would read as
// UTF-8 afterwards): without allowUtf8 the result is then empty; with it
// the whole file becomes UTF-8 (no BOM; every character transcoded, the
// line ends still byte for byte). *replaced counts the replacements made.
QByteArray replaceInBytes(const QByteArray &bytes, const TextMatcher &matcher, const QString &replacement,
                          const std::vector<bool> &ticked, bool allowUtf8, bool *needsUtf8, int *replaced);

// The same on an editor text ("\n" line ends): the shown document with
// unsaved changes is replaced in the editor, not on disk.
QString replaceInText(const QString &text, const TextMatcher &matcher, const QString &replacement,
                      const std::vector<bool> &ticked, int *replaced);

// The undo data of one replace: the bytes every written file held before,
// in a folder "Ersetzen-…" of the state folder (AppPaths::stateFolder()),
// durable on disk before the file itself is replaced, so that a replace
// ended at any point (a kill, a full disk) can still be undone at the next
// start. A lock in the folder tells other programs that its owner still
// runs. Copies share the same data; use one from one thread at a time.
class UndoStore final
{
public:
    // Empty, without a folder.
    UndoStore();

    // A new, empty store for a replace of this program; its folder is made
    // when write() records the first file. The data stays until discard():
    // a program that ends normally discards it, one that is killed leaves
    // it for leftOver().
    static UndoStore forThisProgram();
    // Undo data that programs which ended without removing it left, oldest
    // first, each claimed for this program. Folders that hold nothing to
    // undo are removed.
    static QList<UndoStore> leftOver();

    bool isEmpty() const;
    QStringList paths() const; // files it can put back
    QString folder() const;    // empty until something is recorded
    QDateTime created() const;
    // Puts every file back whose bytes are still those the replace wrote
    // (Restored; a file the replace never got to counts as restored too);
    // the others are reported (ChangedOnDisk) and left as they are. A
    // damaged part of the data is reported (Failed) and the rest still
    // undone. The data stays until discard().
    QList<DocumentResult> undo();
    // Removes the undo data and gives up the claim.
    void discard();

    struct State;

private:
    friend QList<DocumentResult> write(const Plan &, UndoStore &, const std::atomic_bool &,
                                       const std::function<void(int, int)> &);
    explicit UndoStore(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};

// Writes a plan on the calling thread (a worker), file after file. cancel
// is looked at before each file (the rest are NotReached; files already on
// their way to the disk are still finished); progress(done, total) after
// each. The result lists every document of the plan with its outcome. A
// file that fails (a full disk) stays as it was and the run goes on with
// the next one.
QList<DocumentResult> write(const Plan &plan, UndoStore &undo, const std::atomic_bool &cancel,
                            const std::function<void(int done, int total)> &progress = {});

} // namespace ReplaceFiles
