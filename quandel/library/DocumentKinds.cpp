#include "DocumentKinds.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

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
    if (folder.isEmpty()) {
        return {};
    }
    QDir dir(folder);
    const QStringList patterns = pattern.split(u';', Qt::SkipEmptyParts);
    return dir.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}

QStringList listFolders(const QString &folder)
{
    if (folder.isEmpty()) {
        return {};
    }
    QDir dir(folder);
    QStringList result;
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    result.reserve(names.size());
    for (const QString &name : names) {
        result.append(dir.filePath(name));
    }
    return result;
}

QStringList listEntries(const QStringList &files, const QStringList &folders, bool projectFolders)
{
    QStringList entries;
    if (projectFolders) {
        for (const QString &path : folders) {
            entries.append(QFileInfo(path).fileName());
        }
        return entries;
    }
    entries.reserve(files.size());
    for (const QString &name : files) {
        entries.append(displayName(name));
    }
    return entries;
}

QString modifiedText(const QString &path)
{
    const QString label = QStringLiteral(" Geändert: ");
    return path.isEmpty() ? label : label + QLocale().toString(QFileInfo(path).lastModified(), QLocale::ShortFormat);
}

} // namespace DocumentKinds
