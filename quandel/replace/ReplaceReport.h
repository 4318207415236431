#pragma once

#include "ReplaceFiles.h"

#include <QList>
#include <QString>
#include <QStringList>

// The texts of the window " In allen Dokumenten ersetzen": its counts, the
// question about Windows-1252 documents, and the report of a replace or an
// undo, made from the results alone.
namespace ReplaceReport {

// "1 Treffer in 1 Dokument", "5 Treffer in 2 Dokumenten".
QString countText(qsizetype hits, int documents);

// What of a replacement stands in every file as typed: without the groups
// an expression puts in (those come from the file itself).
QString literalPart(const QString &replacement, const MatchOptions &options);

// The one question before writing: these Windows-1252 documents cannot hold
// the replacement; Yes makes them UTF-8, No leaves them out.
QString utf8Question(const QStringList &names, const QString &replacement);

struct Summary
{
    QString headline; // for the window's count label
    QString text;     // one paragraph per outcome, one line per document
};

// inEditorIndex: the list index of the shown document whose unsaved text
// was replaced in the editor (its Written result means just that).
Summary summarize(const QList<ReplaceFiles::DocumentResult> &results, int inEditorIndex, bool cancelled);
Summary summarizeUndo(const QList<ReplaceFiles::DocumentResult> &results, bool fromEarlierRun);

} // namespace ReplaceReport
