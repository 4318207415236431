#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Looks for a term in a row of document files without showing them: each file
// is decoded exactly as the editor would show it, so a position found here is
// the same position in the editor. Files are examined in the order given; the
// result is the first one (in that order) that holds the term.
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

    // The text the editor would hold for the file's bytes.
    static QString editorText(const QByteArray &bytes);

    // Files larger than this are not shown by the editor, so not searched.
    static qint64 maxBytes();

private:
    bool mayContain(const QByteArray &bytes) const;

    QString m_term;
    Qt::CaseSensitivity m_cs;
    const std::atomic_bool &m_cancel;
    std::atomic_int &m_progress;
    // Byte patterns that every file holding the term must contain (one of
    // them); empty when no such quick test applies.
    QList<QByteArray> m_needles;
    bool m_foldAscii = false;
};
