#pragma once

#include <QByteArray>
#include <QCollator>
#include <QHash>
#include <QString>
#include <QStringList>

// The four kinds of documents a library folder holds, and the rules that turn
// file names into the entries of the document list.
namespace DocumentKinds {

constexpr int Count = 4;
constexpr int HelpDocuments = 0;
constexpr int ClassesAndModules = 1;
constexpr int ProjectFolders = 2;
constexpr int HelpProjects = 3;

// The file of a project folder that holds its text.
QString projectFileName(); // "Quandel.ini"
// The text file of the project folder: "Quandel.ini" in any spelling, the
// exact one first; "Quandel.ini" when there is none yet.
QString projectFilePath(const QString &projectFolder);

bool isValid(int kind);
QString viewCaption(int kind); // entry of the view menu
QString newCaption(int kind);  // entry of the New submenu
QString pattern(int kind);     // "*.txt", "*.bas;*.cls", "*.ini", "*.vbp"

// The name proposed by Save as for an untitled document of the pattern, or
// empty when there is none (project folders).
QString proposedName(const QString &pattern);

// Filters of the save dialog for the pattern, in the dialog's own syntax;
// empty for a pattern that has none (project folders).
QStringList saveFilters(const QString &pattern);

// The entry text for a file: the name up to the first "." from its
// fourth-last character on; class files get a trailing tab, which keeps
// Modul.bas and Modul.cls apart.
QString displayName(const QString &fileName);

// The document name an entry stands for: its text without the trailing tab.
QString documentName(const QString &entryText);

// The name Save as looks for in the list after saving: the file name up to a
// "." among its last five characters.
QString lookupName(const QString &fileName);

// How names are ordered in the document list and the folder listing: German
// collation without regard to case.
QCollator nameCollator();

// File names in the order of the document list: by their display names in
// that collation, then by their extensions, so that Haupt.bas comes before
// Haupt_1.bas; names it finds equal (they differ in case only) in the order
// of their lower-case letters, then of their letters.
QStringList sortedNames(const QStringList &names);

// The files of the folder that match the pattern (several separated by ";"),
// hidden files included, in the order of sortedNames().
QStringList listFiles(const QString &folder, const QString &pattern);

// The immediate subfolders of the folder as full paths, sorted by name
// without regard to case.
QStringList listFolders(const QString &folder);

// The entries of the document list: the display names of the files, or the
// names of the project folders (full paths) in the project-folder view.
QStringList listEntries(const QStringList &files, const QStringList &folders, bool projectFolders);

// The status-line text of a document's file or project folder: " Geändert: "
// and its modification time; the label alone for an empty path.
QString modifiedText(const QString &path);

// Both lists from one reading of the folder, sorted once. A name that is
// not UTF-8 (a file copied from a Windows archive) is listed by its
// Windows-1252 reading, the name it is meant to have; its real bytes are kept
// by its index, since no command can reach the file under the name listed.
struct Listing
{
    QStringList files;   // as listFiles()
    QStringList folders; // as listFolders()
    QHash<qsizetype, QByteArray> foreignFiles;
    QHash<qsizetype, QByteArray> foreignFolders;
};
Listing list(const QString &folder, const QString &pattern);

// Gives the entry of the folder named by the bytes foreignName the name
// newName; never replaces an entry of that name. False with the reason in
// *error; *taken when newName is in use.
bool renameForeign(const QString &folder, const QByteArray &foreignName, const QString &newName, QString *error,
                   bool *taken);

} // namespace DocumentKinds
