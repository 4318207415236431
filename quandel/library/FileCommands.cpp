#include "FileCommands.h"

#include "DesktopShell.h"
#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "FileCopy.h"
#include "FileProperties.h"
#include "FileSystem.h"
#include "Helpers.h"
#include "Prompts.h"
#include "Renames.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString RenameTitle = QStringLiteral(" Umbenennen");

Prompts::Answer ask(QWidget *window, const QString &text, const QString &title, Prompts::Buttons buttons,
                    Prompts::Icon icon)
{
    return Prompts::instance().message(window, text, title, buttons, icon);
}

void tell(QWidget *window, const QString &text, const QString &title)
{
    Prompts::instance().message(window, text, title, Prompts::Buttons::Ok, Prompts::Icon::Critical);
}

// True when both names lead to one entry, as two spellings of a name do on a
// file system that ignores letter case (a memory stick, a network share).
bool sameEntry(const QString &a, const QString &b)
{
    struct stat first = {};
    struct stat second = {};
    return ::lstat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::lstat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// Renames in one step, subfolders included, and never replaces what is
// already there: the user has been asked about that before, and whatever
// appeared since then is not touched.
bool renameEntry(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    const int failure = renameWithoutReplacing(source, target);
    if (failure == 0) {
        return true;
    }
    *error = QString::fromLocal8Bit(std::strerror(failure));
    return false;
}

// Changes only the letter case on a file system that ignores it, where a
// direct rename would leave the name as it was.
bool renameThroughTemporary(const QString &from, const QString &to, QString *error)
{
    const QString temporary = QFileInfo(to).absolutePath() + QStringLiteral("/.") + QFileInfo(to).fileName() + u'.' +
                              QString::number(QCoreApplication::applicationPid()) + QStringLiteral(".tmp");
    if (!renameEntry(from, temporary, error)) {
        return false;
    }
    if (renameEntry(temporary, to, error)) {
        return true;
    }
    QString ignored;
    renameEntry(temporary, from, &ignored);
    return false;
}

// The extension a renamed file keeps: the user types the name only.
QString extensionFor(int kind, const QString &oldFile)
{
    QString extension;
    switch (kind) {
    case DocumentKinds::HelpDocuments:
        extension = QStringLiteral(".txt");
        break;
    case DocumentKinds::ClassesAndModules:
        extension = oldFile.endsWith(u".cls", Qt::CaseInsensitive) ? QStringLiteral(".cls") : QStringLiteral(".bas");
        break;
    case DocumentKinds::HelpProjects:
        extension = QStringLiteral(".vbp");
        break;
    default:
        break;
    }
    // NOTIZ.TXT stays a .TXT: the rename is about the name.
    if (oldFile.endsWith(extension, Qt::CaseInsensitive)) {
        return oldFile.right(extension.size());
    }
    return extension;
}

QString trashFailure(const QString &what, const QString &error)
{
    return what + QStringLiteral(" konnte nicht in den Papierkorb verschoben werden. ") + u'\n' + error;
}

QString sendToTitle(int target)
{
    return QStringLiteral(" Senden an ") + FileCommands::sendToCaption(target).trimmed();
}

// Copies larger than this show their progress and can be cancelled.
constexpr qint64 ProgressFromBytes = 4ll * 1024 * 1024;

// Copies source to destination, showing a progress dialog for a large file.
// Empty on success, else the reason; *cancelled when the user stopped it
// (the destination is then as it was).
QString copyFile(const QString &source, const QString &destination, QWidget *window, bool *cancelled)
{
    std::unique_ptr<QProgressDialog> progress;
    const FileCopy::Result result = FileCopy::copy(source, destination, [&](qint64 copied, qint64 total) {
        if (total <= ProgressFromBytes) {
            return true;
        }
        if (!progress) {
            progress =
                std::make_unique<QProgressDialog>(QFileInfo(source).fileName() + QStringLiteral(" wird kopiert ..."),
                                                  QStringLiteral("Abbrechen"), 0, 1000, window);
            progress->setWindowTitle(QStringLiteral("Kopieren"));
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
        }
        progress->setValue(static_cast<int>(std::min<qint64>(1000, copied * 1000 / std::max<qint64>(1, total))));
        return !progress->wasCanceled();
    });
    *cancelled = result.cancelled;
    return result.error;
}

} // namespace

FileCommands::FileCommands(DocumentLibrary *library, QWidget *window, QObject *parent)
    : QObject(parent), m_library(library), m_window(window)
{
}

QString FileCommands::sendToCaption(int target)
{
    switch (target) {
    case 1:
        return QStringLiteral("3½-Diskette (A:) ");
    case 2:
        return QStringLiteral("Eigene Dateien ");
    case 3:
        return QStringLiteral("Desktop ");
    default:
        return {};
    }
}

bool FileCommands::isValidName(const QString &name)
{
    // "." and ".." would name the document folder and its parent, and a name
    // of blanks alone is no name.
    if (name.trimmed().isEmpty() || name == u"." || name == u"..") {
        return false;
    }
    const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar c : name) {
        // Control characters and the characters above are refused: the
        // library must stay usable when copied to a memory stick or a network
        // share, whose file systems do not take them; a trailing tab would
        // even pass the document off as a class.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c)) {
            return false;
        }
    }
    return true;
}

QString FileCommands::invalidNameMessage()
{
    return QStringLiteral("Dateinamen dürfen keines der folgenden Zeichen enthalten:  ") + u'\n' +
           QStringLiteral("\\  /  :  *  ?  ") + u'"' + QStringLiteral("  <  >  |");
}

QString FileCommands::selectedEntry() const
{
    return m_library->entry(m_library->selectedIndex()).text;
}

// ---------------------------------------------------------------------------
// Rename

void FileCommands::rename()
{
    if (m_library->isBusy() || selectedEntry().isEmpty() || !m_library->offerProperName() ||
        !m_library->settleUnsavedChanges()) {
        return;
    }
    // Saving an untitled document may have selected another entry.
    const QString entry = selectedEntry();
    if (entry.isEmpty()) {
        return;
    }
    // The tab that marks a class is no part of its name.
    Renames dialog(
        DocumentKinds::documentName(entry), [this](const QString &name) { return renameTo(name); }, m_window);
    Prompts::instance().execDialog(dialog);
}

bool FileCommands::replaceExisting(const QString &path, const QString &question)
{
    if (ask(m_window, question, RenameTitle, Prompts::Buttons::YesNo, Prompts::Icon::Exclamation) !=
        Prompts::Answer::Yes) {
        return false;
    }
    QString error;
    if (!Shell::instance().moveToTrash(path, &error)) {
        tell(m_window, trashFailure(QFileInfo(path).fileName(), error), RenameTitle);
        return false;
    }
    return true;
}

bool FileCommands::renameTo(const QString &newName)
{
    if (!isValidName(newName)) {
        tell(m_window, invalidNameMessage(), RenameTitle);
        return false;
    }
    const int kind = m_library->checkedKind();
    if (!DocumentKinds::isValid(kind)) {
        return true;
    }
    const QString folder = m_library->folder();
    QString oldName;
    QString newEntryName;
    QString entryAfter;
    QString question;
    if (kind == DocumentKinds::ProjectFolders) {
        oldName = selectedEntry();
        newEntryName = newName;
        entryAfter = newName;
        question = QStringLiteral("Ein Ordner mit diesem Namen existiert bereits.  ") + u'\n' +
                   QStringLiteral("Möchten Sie ihn überschreiben ?");
        if (oldName.compare(newName, Qt::CaseInsensitive) == 0) {
            // Only the letter case differs: the folder keeps its name.
            entryAfter = oldName;
            newEntryName = oldName;
        }
    } else {
        oldName = m_library->currentFileName();
        newEntryName = newName + extensionFor(kind, oldName);
        entryAfter = DocumentKinds::displayName(newEntryName);
        question = QStringLiteral("Ein Dokument mit diesem Namen existiert bereits.  ") + u'\n' +
                   QStringLiteral("Möchten Sie es überschreiben ?");
    }
    if (oldName.isEmpty()) {
        return true;
    }

    if (oldName != newEntryName) {
        const QString oldPath = folder + u'/' + oldName;
        const QString newPath = folder + u'/' + newEntryName;
        const bool onlyCase = oldName.compare(newEntryName, Qt::CaseInsensitive) == 0 && sameEntry(oldPath, newPath);
        if (!onlyCase && EntryExists(newPath) && !replaceExisting(newPath, question)) {
            return false;
        }
        QString error;
        const bool renamed =
            onlyCase ? renameThroughTemporary(oldPath, newPath, &error) : renameEntry(oldPath, newPath, &error);
        if (!renamed) {
            tell(m_window,
                 oldName + QStringLiteral(" konnte nicht in ") + newEntryName + QStringLiteral(" umbenannt werden. ") +
                     u'\n' + error,
                 RenameTitle);
            return false;
        }
    }
    m_library->refresh();
    selectAfterRename(entryAfter, newName);
    return true;
}

void FileCommands::selectAfterRename(const QString &entry, const QString &typed)
{
    const QStringList entries = m_library->entryTexts();
    // The exact entry first: on this file system Notiz and notiz are two
    // documents, and a class's entry ends in a tab.
    qsizetype row = entries.indexOf(entry);
    if (row < 0) {
        row = FindListIndex(entries, typed);
    }
    if (row < entries.size()) {
        m_library->selectDocument(int(row));
    }
}

// ---------------------------------------------------------------------------
// Delete

void FileCommands::remove()
{
    if (m_library->isBusy() || !m_library->offerProperName()) {
        return;
    }
    const QString entry = selectedEntry();
    if (entry.isEmpty()) {
        return;
    }
    const QString name = DocumentKinds::documentName(entry);
    QString path;
    QString what;
    QString question;
    if (m_library->isProjectView()) {
        path = DocumentKinds::projectFilePath(m_library->folder() + u'/' + entry);
        what = QStringLiteral("Die Beschreibung für ") + name;
        question = QStringLiteral("Möchten Sie die Beschreibung für ") + name + QStringLiteral(" wirklich löschen ? ");
    } else {
        if (m_library->currentFileName().isEmpty()) {
            return;
        }
        path = m_library->folder() + u'/' + m_library->currentFileName();
        what = name;
        question = QStringLiteral("Möchten Sie ") + name + QStringLiteral(" wirklich löschen ? ");
    }
    if (ask(m_window, question, m_library->caption(), Prompts::Buttons::YesNo, Prompts::Icon::Question) !=
        Prompts::Answer::Yes) {
        return;
    }
    if (EntryExists(path)) {
        QString error;
        if (!Shell::instance().moveToTrash(path, &error)) {
            // The document stays, and so does what the window shows.
            tell(m_window, trashFailure(what, error), QStringLiteral(" ") + m_library->caption());
            return;
        }
    }
    if (path == m_library->documentPath()) {
        // The user chose to throw the document away: the Refresh must not
        // ask to save it again, which would bring it back.
        m_library->state().mChange = false;
        m_library->state().mAction = EditingState::Pending::None;
    }
    m_library->refresh();
}

// ---------------------------------------------------------------------------
// Properties

void FileCommands::showProperties()
{
    if (!m_library->offerProperName()) {
        return;
    }
    QString path;
    if (m_library->isProjectView()) {
        if (m_library->state().mIndex < 0) {
            return;
        }
        path = m_library->folder() + u'/' + m_library->state().mFile;
    } else {
        if (m_library->currentFileName().isEmpty()) {
            return;
        }
        path = m_library->folder() + u'/' + m_library->currentFileName();
    }
    if (!EntryExists(path)) {
        tell(m_window, QFileInfo(path).fileName() + QStringLiteral(" ist nicht mehr vorhanden. "),
             QStringLiteral(" ") + m_library->caption());
        return;
    }
    if (Shell::instance().showProperties(path)) {
        return;
    }
    Eigenschaften dialog(FileProperties::describe(path), m_window);
    Prompts::instance().execDialog(dialog);
}

// ---------------------------------------------------------------------------
// Send to

void FileCommands::sendTo(int target)
{
    if (target < FirstTarget || target > LastTarget || m_library->isBusy()) {
        return;
    }
    if (!m_library->offerProperName() || !m_library->settleUnsavedChanges() || m_library->isProjectView()) {
        return;
    }
    const QString name = m_library->currentFileName();
    const QString source = m_library->folder() + u'/' + name;
    if (name.isEmpty() || !QFileInfo::exists(source)) {
        return;
    }
    const QString title = sendToTitle(target);
    QString destinationFolder;
    if (target == 1) {
        for (;;) {
            destinationFolder = Shell::instance().removableVolume();
            if (!destinationFolder.isEmpty()) {
                break;
            }
            if (ask(m_window,
                    QStringLiteral("Diskettenlaufwerk ist nicht bereit zum schreiben.  ") + u'\n' +
                        QStringLiteral("Legen Sie einen Datenträger ein."),
                    title, Prompts::Buttons::RetryCancel, Prompts::Icon::Exclamation) != Prompts::Answer::Retry) {
                return;
            }
        }
    } else {
        destinationFolder = Shell::instance().specialFolder(target == 2 ? Shell::SpecialFolder::Documents
                                                                        : Shell::SpecialFolder::Desktop);
        // A fresh account may not have the folder yet; the user asked for
        // the file to be there.
        if (destinationFolder.isEmpty()) {
            tell(m_window,
                 name + QStringLiteral(" konnte nicht kopiert werden. ") + u'\n' +
                     QStringLiteral("Der Zielordner ist nicht bekannt."),
                 title);
            return;
        }
        QDir().mkpath(destinationFolder);
    }
    const QString destination = QDir(destinationFolder).filePath(name);
    if (EntryExists(destination) &&
        ask(m_window,
            QStringLiteral("Diese Datei wurde schon kopiert oder ist bereits vorhanden.  ") + u'\n' +
                QStringLiteral("Möchten Sie diese überschreiben ? "),
            title, Prompts::Buttons::YesNo, Prompts::Icon::Question) != Prompts::Answer::Yes) {
        return;
    }
    bool cancelled = false;
    const QString error = copyFile(source, destination, m_window, &cancelled);
    if (!error.isEmpty() && !cancelled) {
        tell(m_window,
             name + QStringLiteral(" konnte nicht nach ") + destinationFolder + QStringLiteral(" kopiert werden. ") +
                 u'\n' + error,
             title);
    }
}
