#pragma once

#include <QList>
#include <QString>

#include <functional>

// The keywords that open, divide and close a block of Basic code (If … Else
// … End If, For … Next, Select Case … Case … End Select, #If … #End If …):
// for the keyword at a place, those of its block. Plain code over lines of
// text, without any window.
namespace BlockMatcher {

struct Mark
{
    int line = 0;   // 0-based
    int column = 0; // in the line
    int length = 0; // "End If" is one mark

    friend bool operator==(const Mark &, const Mark &) = default;
};

struct Result
{
    // The keywords of the block, in file order; empty when the place holds
    // no block keyword (or the block reaches beyond the lines looked at).
    QList<Mark> marks;
    // False when the block has no opening or no closing keyword: the marks
    // then show what was found, marked as unmatched.
    bool matched = false;
};

// Lines are read through this function, 0 to lineCount - 1.
using LineAt = std::function<QString(int)>;

// Lines looked at in each direction before giving up: keeps a cursor move
// in a huge module cheap. Blocks inside a procedure end at its boundaries
// long before.
constexpr int ScanLimit = 5000;

// The block of the keyword at (line, column); the cursor may stand anywhere
// on the keyword or right after it.
Result match(const LineAt &lineAt, int lineCount, int line, int column);

} // namespace BlockMatcher
