#include "HelpCommandLine.h"
#include "HelpContent.h"
#include "Hilfe.h"
#include "Translations.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    // The main program hands over one unquoted argument, so a path with
    // blanks arrives as several words: the whole rest of the command line is
    // the argument. Qt is given none of it, or a word such as "-reverse" in a
    // folder name would be taken as one of its options.
    QStringList words;
    for (int i = 1; i < argc; ++i) {
        words.append(QString::fromLocal8Bit(argv[i]));
    }
    const QString argument = words.join(u' ');
    // Ends that need no window do not need a display either.
    if (HelpCommandLine::parse(argument).outcome == HelpCommandLine::Request::Outcome::Quit) {
        return 0;
    }

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tivorn"));
    // A screen reader names the program by its application name: the
    // viewer's German caption, not the name of its file.
    QApplication::setApplicationName(HelpContent::defaultCaption());
    Translations::installGerman(app);

    Hilfe window;
    if (!window.start(argument)) {
        return 0;
    }
    QApplication::setApplicationName(window.windowTitle());
    return QApplication::exec();
}
