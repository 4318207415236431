#include "DocumentKinds.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

namespace DocumentKinds {

QString projectFileName()
{
    return QStringLiteral("Quandel.ini");
}

bool isValid(int kind)
{
    return kind >= 0 && kind < Count;
}

QString viewCaption(int kind)
{
    switch (kind) {
    case HelpDocuments:
        return QStringLiteral("&Hilfe Dokumente");
    case ClassesAndModules:
        return QStringLiteral("&Klassen-/Modul Dokumente ");
    case ProjectFolders:
        return QStringLiteral("&Visual Basic Projekte");
    case HelpProjects:
        return QStringLiteral("Hilfe &Projekte");
    default:
        return {};
    }
}

QString newCaption(int kind)
{
    switch (kind) {
    case HelpDocuments:
        return QStringLiteral("&Hilfe Dokument");
    case ClassesAndModules:
        return QStringLiteral("&Klassen-/Module");
    case ProjectFolders:
        return QStringLiteral("&Visual Basic Projekt ");
    case HelpProjects:
        return QStringLiteral("Hilfe &Projekt");
    default:
        return {};
    }
}

QString pattern(int kind)
{
    switch (kind) {
    case HelpDocuments:
        return QStringLiteral("*.txt");
    case ClassesAndModules:
        return QStringLiteral("*.bas;*.cls");
    case ProjectFolders:
        return QStringLiteral("*.ini");
    case HelpProjects:
        return QStringLiteral("*.vbp");
    default:
        return {};
    }
}

QString proposedName(const QString &pattern)
{
    if (pattern == u"*.txt") {
        return QStringLiteral("Unbenannt.txt");
    }
    if (pattern == u"*.bas;*.cls") {
        return QStringLiteral("Unbenannt.bas");
    }
    if (pattern == u"*.vbp") {
        return QStringLiteral("Unbenannt.vbp");
    }
    return {};
}

QStringList saveFilters(const QString &pattern)
{
    const QString all = QStringLiteral("Alle Dateitypen (*)");
    if (pattern == u"*.txt") {
        return {QStringLiteral("Hilfe Dokumente (*.txt)"), all};
    }
    if (pattern == u"*.bas;*.cls") {
        return {QStringLiteral("Module (*.bas)"), all};
    }
    if (pattern == u"*.vbp") {
        return {QStringLiteral("Projekt Vorbereitungen (*.vbp)"), all};
    }
    return {};
}

QString displayName(const QString &fileName)
{
    const qsizetype from = std::max<qsizetype>(0, fileName.size() - 4);
    const qsizetype dot = fileName.indexOf(u'.', from);
    QString name = dot >= 0 ? fileName.left(dot) : fileName;
    if (fileName.right(3).compare(u"cls", Qt::CaseInsensitive) == 0) {
        name += u'\t';
    }
    return name;
}

QString documentName(const QString &entryText)
{
    return entryText.endsWith(u'\t') ? entryText.chopped(1) : entryText;
}

QString lookupName(const QString &fileName)
{
    const qsizetype from = std::max<qsizetype>(0, fileName.size() - 5);
    const qsizetype dot = fileName.indexOf(u'.', from);
    return dot >= 0 ? fileName.left(dot) : fileName;
}

QStringList listFiles(const QString &folder, const QString &pattern)
{
    return list(folder, pattern).files;
}

QStringList listFolders(const QString &folder)
{
    return list(folder, QString()).folders;
}

Listing list(const QString &folder, const QString &pattern)
{
    Listing listing;
    if (folder.isEmpty()) {
        return listing;
    }
    const QDir dir(folder);
    QList<QRegularExpression> patterns;
    for (const QString &wildcard : pattern.split(u';', Qt::SkipEmptyParts)) {
        patterns.append(QRegularExpression::fromWildcard(wildcard, Qt::CaseInsensitive));
    }
    const auto matches = [&patterns](const QString &name) {
        return patterns.isEmpty() ||
               std::any_of(patterns.begin(), patterns.end(),
                           [&name](const QRegularExpression &re) { return re.match(name).hasMatch(); });
    };
    // One sorted list of everything: each kind keeps its order when the two
    // are taken apart. The pattern applies to files only.
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (entry.isDir()) {
            listing.folders.append(dir.filePath(name));
        } else if (matches(name)) {
            listing.files.append(name);
        }
    }
    return listing;
}

} // namespace DocumentKinds
