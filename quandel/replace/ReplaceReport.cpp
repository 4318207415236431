#include "ReplaceReport.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace ReplaceReport {

namespace {

using ReplaceFiles::DocumentResult;
using ReplaceFiles::Outcome;

// At most this many names in the question, and in a paragraph of the
// report; the rest are counted. Ten thousand lines are read by no one and
// would hold up the window while it lays them out.
constexpr int QuestionNames = 15;
constexpr int ParagraphLines = 200;

QString number(qsizetype n)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(n);
}

QString documents(qsizetype n)
{
    return QStringLiteral("%1 %2").arg(number(n), n == 1 ? QStringLiteral("Dokument") : QStringLiteral("Dokumenten"));
}

QString replacements(qsizetype n)
{
    return QStringLiteral("%1 %2").arg(number(n), n == 1 ? QStringLiteral("Ersetzung") : QStringLiteral("Ersetzungen"));
}

// A heading with its documents below it, one a line; nothing when none.
void paragraph(QString &text, const QString &heading, const QStringList &lines)
{
    if (lines.isEmpty()) {
        return;
    }
    if (!text.isEmpty()) {
        text += u"\n\n";
    }
    text += heading.arg(number(lines.size()));
    for (qsizetype i = 0; i < lines.size() && i < ParagraphLines; ++i) {
        text += u"\n  " + lines.at(i);
    }
    if (lines.size() > ParagraphLines) {
        text += QStringLiteral("\n  und %1 weitere").arg(number(lines.size() - ParagraphLines));
    }
}

QString withReason(const DocumentResult &r)
{
    return r.reason.isEmpty() ? r.displayName : QStringLiteral("%1: %2").arg(r.displayName, r.reason);
}

} // namespace

QString countText(qsizetype hits, int documentCount)
{
    return QStringLiteral("%1 Treffer in %2").arg(number(hits), documents(documentCount));
}

QString literalPart(const QString &replacement, const MatchOptions &options)
{
    // A match without groups: what the replacement puts in of its own.
    return TextMatcher(options).replacementFor(TextMatcher::Match{0, 0, {}}, replacement);
}

QString utf8Question(const QStringList &names, const QString &replacement)
{
    QString list;
    for (qsizetype i = 0; i < names.size() && i < QuestionNames; ++i) {
        list += u"\n  " + names.at(i);
    }
    if (names.size() > QuestionNames) {
        list += QStringLiteral("\n  und %1 weitere").arg(number(names.size() - QuestionNames));
    }
    return QStringLiteral("%1 in Windows-1252 gespeichert; „%2“ lässt sich darin nicht schreiben:\n%3\n\n"
                          "Sollen diese Dokumente beim Ersetzen in UTF-8 umgestellt werden? Bei Nein bleiben "
                          "sie, wie sie sind.")
        .arg(names.size() == 1 ? QStringLiteral("Ein Dokument ist")
                               : QStringLiteral("%1 Dokumente sind").arg(number(names.size())),
             replacement, list);
}

Summary summarize(const QList<DocumentResult> &results, int inEditorIndex, bool cancelled)
{
    QStringList written, inEditor, changed, needsUtf8, skipped, failed, notReached;
    qsizetype count = 0;
    for (const DocumentResult &r : results) {
        const QString line = QStringLiteral("%1 (%2%3)")
                                 .arg(r.displayName, replacements(r.replaced),
                                      r.becameUtf8 ? QStringLiteral(", jetzt UTF-8") : QString());
        switch (r.outcome) {
        case Outcome::Written:
            count += r.replaced;
            (r.listIndex == inEditorIndex && inEditorIndex >= 0 ? inEditor : written).append(line);
            break;
        case Outcome::ChangedOnDisk:
            changed.append(r.displayName);
            break;
        case Outcome::NeedsUtf8:
            needsUtf8.append(r.displayName);
            break;
        case Outcome::Skipped:
            skipped.append(withReason(r));
            break;
        case Outcome::Failed:
            failed.append(withReason(r));
            break;
        case Outcome::NotReached:
            notReached.append(r.displayName);
            break;
        case Outcome::NothingTicked:
        case Outcome::Restored:
            break;
        }
    }
    Summary s;
    s.headline = QStringLiteral("%1 in %2").arg(replacements(count), documents(written.size() + inEditor.size()));
    if (cancelled) {
        s.headline += QStringLiteral(" – abgebrochen");
    }
    // What needs a look first, what went as planned last.
    paragraph(s.text,
              QStringLiteral("Im Editor ersetzt, noch nicht gespeichert; Strg+Z im Editor nimmt es zurück (%1):"),
              inEditor);
    paragraph(s.text, QStringLiteral("Seit der Vorschau geändert, nicht angetastet (%1):"), changed);
    paragraph(s.text, QStringLiteral("In Windows-1252, nicht in UTF-8 umgestellt, ausgelassen (%1):"), needsUtf8);
    paragraph(s.text, QStringLiteral("Übersprungen (%1):"), skipped);
    paragraph(s.text, QStringLiteral("Fehlgeschlagen, unverändert (%1):"), failed);
    paragraph(s.text, QStringLiteral("Nach Abbrechen nicht erreicht (%1):"), notReached);
    paragraph(s.text, QStringLiteral("Geschrieben (%1):"), written);
    if (s.text.isEmpty()) {
        s.text = QStringLiteral("Es wurde nichts ersetzt.");
    }
    return s;
}

Summary summarizeUndo(const QList<DocumentResult> &results, bool fromEarlierRun)
{
    QStringList back, changed, failed;
    for (const DocumentResult &r : results) {
        switch (r.outcome) {
        case Outcome::Restored:
            back.append(r.displayName);
            break;
        case Outcome::ChangedOnDisk:
            changed.append(withReason(r));
            break;
        case Outcome::Skipped:
        case Outcome::Failed:
            failed.append(withReason(r));
            break;
        default:
            break;
        }
    }
    Summary s;
    s.headline = QStringLiteral("%1 zurückgestellt").arg(documents(back.size()));
    if (fromEarlierRun) {
        s.text = QStringLiteral("Die Daten stammen von einem früheren Lauf des Programms, der beim Ersetzen endete.");
    }
    paragraph(s.text, QStringLiteral("Seit dem Ersetzen geändert, so belassen (%1):"), changed);
    paragraph(s.text, QStringLiteral("Nicht zurückgestellt (%1):"), failed);
    paragraph(s.text, QStringLiteral("Zurückgestellt (%1):"), back);
    if (back.isEmpty() && changed.isEmpty() && failed.isEmpty()) {
        s.text += (s.text.isEmpty() ? u""_s : u"\n\n"_s) + QStringLiteral("Es gab nichts zurückzustellen.");
    }
    return s;
}

} // namespace ReplaceReport
