#include "ProductInfo.h"
#include "Root.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tivorn"));
    QApplication::setApplicationName(QStringLiteral("Quandel Library"));
    QApplication::setApplicationDisplayName(ProductInfo::windowCaption());
    QApplication::setApplicationVersion(ProductInfo::versionText() + u'.' + QString::number(ProductInfo::revision()));
    QApplication::setDesktopFileName(QStringLiteral("example.tivorn.quandel"));
    // The program ends through its exit command only.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Dokumentenbibliothek für Entwickler: Hilfe-Dokumente, Klassen und Module, "
                       "Projekte und Hilfe-Projekte eines Ordners."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("ORDNER"),
                                 QStringLiteral("Dokumentenordner für diesen Programmlauf (statt des gespeicherten)."),
                                 QStringLiteral("[ORDNER]"));
    parser.process(app);

    RootOptions options;
    if (!parser.positionalArguments().isEmpty()) {
        options.folder = QDir(parser.positionalArguments().constFirst()).absolutePath();
    }

    Root root(options);
    QObject::connect(&root, &Root::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!root.start()) {
        return 0;
    }
    return QApplication::exec();
}
