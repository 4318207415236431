#pragma once

#include "BasicSyntax.h"

#include <QColor>
#include <QPalette>

// The colours of the code editor, taken from the palette: each token colour
// starts from a palette role or a fixed hue and is then made light or dark
// enough to read on the palette's Base, so light and dark themes both work.
// Plain text has no colour of its own: it keeps the editor's text colour,
// which may be the one the user chose.
namespace SyntaxColours {

QColor token(BasicSyntax::Kind kind, const QPalette &palette);

// The faint band behind the line with the cursor.
QColor currentLine(const QPalette &palette);
// The light background behind each occurrence of the last search term.
QColor termMark(const QPalette &palette);
// Behind the keywords of the block at the cursor (If … End If), and behind
// a keyword whose partner is missing.
QColor blockMatch(const QPalette &palette);
QColor blockUnmatched(const QPalette &palette);
// The line numbers of the margin, and its background.
QColor marginText(const QPalette &palette);
QColor marginBackground(const QPalette &palette);

// The WCAG contrast ratio of two colours, 1 to 21.
double contrast(const QColor &a, const QColor &b);

} // namespace SyntaxColours
