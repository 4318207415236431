#include "Heap.h"
#include "ProductInfo.h"
#include "Root.h"
#include "TerminationSignals.h"
#include "Translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QSessionManager>

namespace {

void describe(QCoreApplication &app)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tivorn"));
    QCoreApplication::setApplicationName(QStringLiteral("Quandel Library"));
    QCoreApplication::setApplicationVersion(ProductInfo::versionText() + u'.' +
                                            QString::number(ProductInfo::revision()));
    Translations::installGerman(app);
}

void defineOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Dokumentenbibliothek für Entwickler: Hilfe-Dokumente, Klassen und Module, "
                       "Projekte und Hilfe-Projekte eines Ordners."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ORDNER"),
                                 QStringLiteral("Dokumentenordner für diesen Programmlauf (statt des gespeicherten)."),
                                 QStringLiteral("[ORDNER]"));
}

// True when the command line asks only for a text on the terminal (help,
// version, or a mistake in the options): those need no display.
bool answersOnTerminal(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    defineOptions(parser);
    return !parser.parse(arguments) || parser.isSet(QStringLiteral("help")) ||
           parser.isSet(QStringLiteral("version")) || parser.isSet(QStringLiteral("help-all"));
}

} // namespace

int main(int argc, char *argv[])
{
    Heap::keepReturnable();
    if (answersOnTerminal(argc, argv)) {
        // Prints the text and ends the program.
        QCoreApplication app(argc, argv);
        describe(app);
        QCommandLineParser parser;
        defineOptions(parser);
        parser.process(app);
        return 0;
    }

    QApplication app(argc, argv);
    // From here on, a signal to end waits for the window thread to keep the
    // unsaved text.
    TerminationSignals endSignals;
    describe(app);
    // The taskbar finds the launcher and its icon through the desktop file;
    // window captions stay exactly as each window sets them.
    QApplication::setDesktopFileName(QStringLiteral("example.tivorn.quandel"));
    // The program ends through its exit command only.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    defineOptions(parser);
    parser.process(app);

    RootOptions options;
    if (!parser.positionalArguments().isEmpty()) {
        options.folder = QDir(parser.positionalArguments().constFirst()).absolutePath();
    }

    Root root(options);
    QObject::connect(&root, &Root::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // A logout, a shutdown or kill does not wait for an answer: whatever is
    // on the screen, open questions and dialogs included, the unsaved text
    // goes to the recovery file and the exit values are stored, then the
    // program ends at once, before anything else could run.
    const auto endAtOnce = [&root](int signalNumber) {
        if (root.endWithoutAsking()) {
            TerminationSignals::endProcess(signalNumber);
        }
    };
    QObject::connect(&endSignals, &TerminationSignals::received, &root, endAtOnce);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &root,
                     [endAtOnce](QSessionManager &) { endAtOnce(0); });
    if (!root.start()) {
        return 0;
    }
    return QApplication::exec();
}
