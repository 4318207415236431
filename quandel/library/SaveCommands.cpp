#include "SaveCommands.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentRecovery.h"
#include "DocumentWatch.h"
#include "FileCommands.h"
#include "Renames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString NewProjectTitle = QStringLiteral(" Neues Projekt");

// Anything by that name, a dangling link included.
bool entryExists(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

void SaveCommands::reportFailure(const QString &name)
{
    Prompts::instance().message(m_library.m_w.window,
                                name + QStringLiteral(" konnte nicht gespeichert werden. ") + u'\n' +
                                    QStringLiteral("Schreibzugriff wird eventuell durch eine andere Anwendung "
                                                   "blockiert. ") +
                                    u'\n' + QStringLiteral("Andere Anwendungen schließen und Vorgang wiederholen. "),
                                QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::Ok,
                                Prompts::Icon::Critical);
}

bool SaveCommands::write(const QString &path, const QString &name)
{
    const TextFile::WriteResult written = m_library.m_editorDoc.write(path);
    if (!written.ok) {
        return false;
    }
    if (!path.isEmpty() && path == m_library.documentPath()) {
        // Known as written here before the message below lets the watcher's
        // report in: our own Save is no change from outside.
        m_library.m_watch->watchShownDocument();
    }
    if (written.switchedToUtf8) {
        Prompts::instance().message(
            m_library.m_w.window,
            name + QStringLiteral(" enthält Zeichen, die der Zeichensatz Windows-1252 nicht kennt. ") + u'\n' +
                QStringLiteral("Das Dokument wurde deshalb als UTF-8 gespeichert. "),
            QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::Ok, Prompts::Icon::Information);
    }
    return true;
}

bool SaveCommands::save()
{
    DocumentLibrary &library = m_library;
    EditingState &state = library.m_state;
    if (!library.offerProperName()) {
        return false;
    }
    if (!library.m_editorDoc.isLoaded()) {
        library.explainReadOnly();
        // Nothing of this document is in the editor: saving would replace
        // the file with what the editor could not show.
        return false;
    }
    QString target;
    QString name;
    if (!library.m_externalPath.isEmpty()) {
        target = library.m_externalPath;
        name = QFileInfo(target).fileName();
    } else if (library.isProjectView()) {
        const QListWidgetItem *item = library.m_w.dateien->currentItem();
        if (!item || state.mIndex < 0) {
            return saveNewProject();
        }
        name = item->text();
        target = library.documentPath();
    } else {
        name = library.currentFileName();
        if (name.isEmpty()) {
            return saveAs();
        }
        target = library.m_folder + u'/' + name;
    }
    QCoreApplication::processEvents();
    if (!library.checkOutsideChanges(true)) {
        return false;
    }
    if (!write(target, name)) {
        reportFailure(name);
        state.mChange = true;
        return false;
    }
    library.m_watch->watchShownDocument();
    state.mChange = false;
    state.mAction = EditingState::Pending::None;
    library.m_recovery->update();
    library.m_w.dateien->setFocus();
    return true;
}

bool SaveCommands::saveAs()
{
    DocumentLibrary &library = m_library;
    EditingState &state = library.m_state;
    if (!library.m_editorDoc.isLoaded()) {
        // The editor does not hold this document as it is, and the name
        // proposed is the document's own file.
        return false;
    }
    if (library.m_externalPath.isEmpty() && library.isProjectView()) {
        // A project is a folder, not a file to be put anywhere: a new one is
        // created under the name asked for, a shown one saved where it is.
        return library.isUntitled() ? saveNewProject() : save();
    }
    Prompts::SaveRequest request;
    request.title = QStringLiteral("Speichern unter ...");
    const QStringList filters = DocumentKinds::saveFilters(library.m_pattern);
    request.filters = filters.isEmpty() ? QStringList{QStringLiteral("Alle Dateitypen (*)")} : filters;
    if (!library.m_externalPath.isEmpty()) {
        request.proposedPath = library.m_externalPath;
    } else if (library.m_fileIndex == -1) {
        const QString proposed = DocumentKinds::proposedName(library.m_pattern);
        // With no name to propose, the dialog opens in the
        // document folder, or where the last Save as went.
        request.proposedPath = !proposed.isEmpty()          ? library.m_folder + u'/' + proposed
                               : m_lastSaveAsPath.isEmpty() ? library.m_folder + u'/'
                                                            : m_lastSaveAsPath;
    } else {
        request.proposedPath = library.m_folder + u'/' + library.currentFileName();
    }
    const QString chosen = Prompts::instance().saveFileName(library.m_w.window, request);
    if (library.currentFileName().isEmpty()) {
        state.mFile = EditingState::untitledName();
        state.mChange = true;
        state.mAction = EditingState::Pending::Cancel;
    }
    if (chosen.isEmpty()) {
        return false;
    }
    const QString watched = library.m_watch->watchedPath();
    if (!watched.isEmpty() && QFileInfo(chosen) == QFileInfo(watched) && !library.checkOutsideChanges(true)) {
        return false;
    }
    m_lastSaveAsPath = chosen;
    const QString fileName = QFileInfo(chosen).fileName();
    if (!write(chosen, fileName)) {
        reportFailure(fileName);
        state.mChange = true;
        return false;
    }
    state.mChange = false;
    state.mAction = EditingState::Pending::None;
    library.m_recovery->update();
    library.showSavedFile(chosen);
    return true;
}

bool SaveCommands::saveNewProject()
{
    DocumentLibrary &library = m_library;
    EditingState &state = library.m_state;
    if (!library.m_editorDoc.isLoaded()) {
        return false;
    }
    QString proposed = QStringLiteral("Neues Projekt");
    for (int n = 2; n < 100 && entryExists(library.m_folder + u'/' + proposed); ++n) {
        proposed = QStringLiteral("Neues Projekt %1").arg(n);
    }
    QString created;
    Renames dialog(
        proposed, [this, &created](const QString &name) { return createProject(name, &created); }, library.m_w.window,
        Renames::Purpose::NewProject);
    Prompts::instance().execDialog(dialog);
    if (created.isEmpty()) {
        // Nothing was written: the text stays, marked as changed, and the
        // check that asked for the save stops its command.
        state.mFile = EditingState::untitledName();
        state.mChange = true;
        state.mAction = EditingState::Pending::Cancel;
        return false;
    }
    state.mChange = false;
    state.mAction = EditingState::Pending::None;
    library.m_recovery->update();
    library.showSavedFile(created);
    return true;
}

bool SaveCommands::createProject(const QString &name, QString *created)
{
    QWidget *window = m_library.m_w.window;
    const auto tell = [window](const QString &text) {
        Prompts::instance().message(window, text, NewProjectTitle, Prompts::Buttons::Ok, Prompts::Icon::Critical);
    };
    if (!FileCommands::isValidName(name)) {
        tell(FileCommands::invalidNameMessage());
        return false;
    }
    if (QFile::encodeName(name).size() > NAME_MAX) {
        tell(QStringLiteral("Die Bezeichnung ist zu lang für einen Ordnernamen. ") + u'\n' +
             QStringLiteral("Bitte wählen Sie eine kürzere Bezeichnung."));
        return false;
    }
    const QString taken = name + QStringLiteral(" gibt es im Dokumentordner bereits. ") + u'\n' +
                          QStringLiteral("Bitte wählen Sie eine andere Bezeichnung.");
    // A project that differs in letter case only would be the same folder
    // on a memory stick or a network share.
    const QString folder = m_library.m_folder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        tell(QStringLiteral("Der Dokumentordner ") + folder + QStringLiteral(" ist nicht vorhanden. "));
        return false;
    }
    const QString path = folder + u'/' + name;
    bool exists = entryExists(path);
    for (const QString &project : std::as_const(m_library.m_folders)) {
        exists = exists || QFileInfo(project).fileName().compare(name, Qt::CaseInsensitive) == 0;
    }
    if (exists) {
        tell(taken);
        return false;
    }
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
        const int failure = errno;
        tell(failure == EEXIST
                 ? taken
                 : QStringLiteral("Der Projektordner ") + name + QStringLiteral(" konnte nicht angelegt werden. ") +
                       u'\n' + QString::fromLocal8Bit(std::strerror(failure)));
        return false;
    }
    const QString file = path + u'/' + DocumentKinds::projectFileName();
    if (!write(file, name)) {
        // No empty project stays behind.
        ::rmdir(QFile::encodeName(path).constData());
        reportFailure(name);
        return false;
    }
    *created = file;
    return true;
}
