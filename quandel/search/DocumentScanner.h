#pragma once

#include "BytePattern.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

// Looks for a term in a row of document files without showing them. A file
// is first tested on its raw bytes (any file whose editor text holds the term
// holds certain bytes); only a file that passes is decoded exactly as the
// editor would show it, so a position found here is the same position in the
// editor. Files are examined in the order given; the result is the first one
// (in that order) that holds the term.
class DocumentScanner final
{
public:
    struct Hit
    {
        int order = -1;    // position in the list of files, -1 = none
        int position = -1; // 0-based character position in the editor text
    };

    // cancel is polled between files; progress counts the files examined.
    DocumentScanner(QString term, Qt::CaseSensitivity cs, const std::atomic_bool &cancel, std::atomic_int &progress);

    // Scans with up to threads worker threads (1 = on the calling thread).
    Hit scan(const QStringList &files, int threads) const;

    // The position of the term in the text of one file, -1 when absent or
    // the file cannot be shown.
    int positionIn(const QString &path) const;

    // The position of the term in the editor text of a file's bytes.
    int positionInBytes(const QByteArray &bytes) const;

    // False when the bytes rule the term out.
    bool mayContain(const QByteArray &bytes) const;

    // Byte patterns of which every occurrence of the term in a file holds
    // one, in either encoding; empty when the term has no byte test.
    QList<BytePattern> anchors() const;
    // True when a file without any anchor is all that mayContain() rules
    // out: the anchors are its whole test.
    bool anchorsAreTheWholeTest() const { return m_groups.size() == 1; }

    // The text the editor would hold for the file's bytes.
    static QString editorText(const QByteArray &bytes);

    // Files larger than this are not shown by the editor, so not searched.
    static qint64 maxBytes();

private:
    // Bytes that a file holding the term contains: at least one pattern of
    // every group.
    struct Group
    {
        QList<BytePattern> patterns;
        // Other characters that match an ASCII letter of the pattern when
        // case is ignored (Kelvin sign, long s): their presence makes the
        // file possible although the pattern is absent.
        QList<BytePattern> foldedAlternatives;
    };

    int positionIn(const QString &path, QByteArray &buffer) const;

    QString m_term;
    Qt::CaseSensitivity m_cs;
    const std::atomic_bool &m_cancel;
    std::atomic_int &m_progress;
    QList<Group> m_groups; // empty: every file must be decoded
};
