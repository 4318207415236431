#pragma once

#include <QString>
#include <QStringView>

// The one argument the main program hands to the viewer: the path of the help
// content file, optionally followed by a comma and the start topic. The main
// program does not quote it, so a path with blanks arrives as several words
// that the viewer joins again before parsing.
namespace HelpCommandLine {

// 1-based position of the last occurrence of separator that begins at or
// before start (0 stands for the length of text), compared exactly; 0 when
// there is none.
int InstrRev(QStringView text, QStringView separator, int start = 0);

struct Request
{
    enum class Outcome
    {
        Quit, // end at once, without a message
        Open
    };
    Outcome outcome = Outcome::Quit;
    QString file;  // TFile
    QString topic; // TContents: the text after the last comma, "1" when there is none
};

Request parse(const QString &argument);

} // namespace HelpCommandLine
