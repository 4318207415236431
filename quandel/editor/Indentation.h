#pragma once

#include <QString>
#include <QStringView>

class QTextCursor;
class QTextDocument;

// Indenting code in the editor: one step is four blanks, or a tab in a
// document that indents with tabs. Each command is one undo step.
namespace Indentation {

constexpr int StepWidth = 4;

// A tab when more of the first indented lines start with a tab than with
// blanks; four blanks otherwise.
QString step(const QTextDocument &document);

// The blanks and tabs a line starts with.
QStringView leading(QStringView line);

// Tab: with a selection over several lines, each of those lines gains one
// step at its start; otherwise one step goes in at the cursor (blanks up to
// the next multiple of four), replacing a selection.
void indent(QTextCursor &cursor);

// Umschalt+Tab: the lines of the selection (or the cursor's line) lose one
// step at their start, as far as they have one.
void outdent(QTextCursor &cursor);

// Return: a new line that starts with the indentation of the line above.
void newLine(QTextCursor &cursor);

} // namespace Indentation
