#include "Indentation.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace Indentation {

namespace {

// The first and last block of the lines a selection covers; a selection
// that ends at the very start of a line does not take that line.
std::pair<QTextBlock, QTextBlock> selectedBlocks(const QTextCursor &cursor)
{
    const QTextDocument *doc = cursor.document();
    QTextBlock first = doc->findBlock(cursor.selectionStart());
    QTextBlock last = doc->findBlock(cursor.selectionEnd());
    if (cursor.hasSelection() && last != first && cursor.selectionEnd() == last.position()) {
        last = last.previous();
    }
    return {first, last};
}

// How many characters of the line's start make one step: a tab, or up to
// four blanks.
int stepAtStart(QStringView line)
{
    if (line.startsWith(u'\t')) {
        return 1;
    }
    int n = 0;
    while (n < StepWidth && n < line.size() && line.at(n) == u' ') {
        ++n;
    }
    return n;
}

// Keeps the selection over the same lines after they were changed.
void reselect(QTextCursor &cursor, const QTextBlock &first, const QTextBlock &last, bool whole)
{
    if (!whole) {
        return;
    }
    cursor.setPosition(first.position());
    cursor.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
}

} // namespace

QString step(const QTextDocument &document)
{
    int tabs = 0;
    int blanks = 0;
    int looked = 0;
    for (QTextBlock b = document.begin(); b.isValid() && looked < 2000; b = b.next(), ++looked) {
        const QString text = b.text();
        if (text.startsWith(u'\t')) {
            ++tabs;
        } else if (text.startsWith(u' ')) {
            ++blanks;
        }
    }
    return tabs > blanks ? QStringLiteral("\t") : QString(StepWidth, u' ');
}

QStringView leading(QStringView line)
{
    qsizetype n = 0;
    while (n < line.size() && (line.at(n) == u' ' || line.at(n) == u'\t')) {
        ++n;
    }
    return line.left(n);
}

void indent(QTextCursor &cursor)
{
    const QString unit = step(*cursor.document());
    const auto [first, last] = selectedBlocks(cursor);
    cursor.beginEditBlock();
    if (first == last) {
        if (unit == u"\t") {
            cursor.insertText(unit);
        } else {
            const int column =
                cursor.selectionStart() - cursor.document()->findBlock(cursor.selectionStart()).position();
            cursor.insertText(QString(StepWidth - column % StepWidth, u' '));
        }
        cursor.endEditBlock();
        return;
    }
    for (QTextBlock b = first;; b = b.next()) {
        QTextCursor at(b);
        at.insertText(unit);
        if (b == last) {
            break;
        }
    }
    cursor.endEditBlock();
    reselect(cursor, first, last, true);
}

void outdent(QTextCursor &cursor)
{
    const auto [first, last] = selectedBlocks(cursor);
    const bool whole = first != last;
    cursor.beginEditBlock();
    for (QTextBlock b = first;; b = b.next()) {
        if (const int n = stepAtStart(b.text()); n > 0) {
            QTextCursor at(b);
            at.setPosition(b.position() + n, QTextCursor::KeepAnchor);
            at.removeSelectedText();
        }
        if (b == last) {
            break;
        }
    }
    cursor.endEditBlock();
    reselect(cursor, first, last, whole);
}

void newLine(QTextCursor &cursor)
{
    const QString indentation = leading(cursor.block().text()).left(cursor.positionInBlock()).toString();
    cursor.beginEditBlock();
    cursor.insertBlock();
    cursor.insertText(indentation);
    cursor.endEditBlock();
}

} // namespace Indentation
