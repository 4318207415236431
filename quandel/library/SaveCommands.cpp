#include "SaveCommands.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentRecovery.h"
#include "DocumentWatch.h"
#include "FileCommands.h"
#include "FileSystem.h"
#include "Renames.h"
#include "ShownDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString NewProjectTitle = QStringLiteral(" Neues Projekt");

} // namespace

void SaveCommands::reportFailure(const QString &name)
{
    Prompts::instance().message(m_shown.window(),
                                name + QStringLiteral(" konnte nicht gespeichert werden. ") + u'\n' +
                                    QStringLiteral("Schreibzugriff wird eventuell durch eine andere Anwendung "
                                                   "blockiert. ") +
                                    u'\n' + QStringLiteral("Andere Anwendungen schließen und Vorgang wiederholen. "),
                                QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::Ok,
                                Prompts::Icon::Critical);
}

bool SaveCommands::write(const QString &path, const QString &name)
{
    const TextFile::WriteResult written = m_shown.editorDocument().write(path);
    if (!written.ok) {
        return false;
    }
    if (!path.isEmpty() && path == m_library.documentPath()) {
        // Known as written here before the message below lets the watcher's
        // report in: our own Save is no change from outside.
        m_shown.documentWatch().watchShownDocument();
    }
    if (written.switchedToUtf8) {
        Prompts::instance().message(
            m_shown.window(),
            name + QStringLiteral(" enthält Zeichen, die der Zeichensatz Windows-1252 nicht kennt. ") + u'\n' +
                QStringLiteral("Das Dokument wurde deshalb als UTF-8 gespeichert. "),
            QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::Ok, Prompts::Icon::Information);
    }
    return true;
}

bool SaveCommands::save()
{
    DocumentLibrary &library = m_library;
    EditingState &state = library.state();
    if (!library.offerProperName()) {
        return false;
    }
    if (!m_shown.editorDocument().isLoaded()) {
        library.explainReadOnly();
        // Nothing of this document is in the editor: saving would replace
        // the file with what the editor could not show.
        return false;
    }
    QString target;
    QString name;
    if (!m_shown.externalPath().isEmpty()) {
        target = m_shown.externalPath();
        name = QFileInfo(target).fileName();
    } else if (library.isProjectView()) {
        const LibraryEntry entry = library.entry(library.selectedIndex());
        if (entry.index < 0 || state.mIndex < 0) {
            return saveNewProject();
        }
        name = entry.text;
        target = library.documentPath();
    } else {
        name = library.currentFileName();
        if (name.isEmpty()) {
            return saveAs();
        }
        target = library.folder() + u'/' + name;
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
    m_shown.documentWatch().watchShownDocument();
    state.mChange = false;
    state.mAction = EditingState::Pending::None;
    m_shown.documentRecovery().update();
    m_shown.focusList();
    return true;
}

bool SaveCommands::saveAs()
{
    DocumentLibrary &library = m_library;
    EditingState &state = library.state();
    if (!m_shown.editorDocument().isLoaded()) {
        // The editor does not hold this document as it is, and the name
        // proposed is the document's own file.
        return false;
    }
    if (m_shown.externalPath().isEmpty() && library.isProjectView()) {
        // A project is a folder, not a file to be put anywhere: a new one is
        // created under the name asked for, a shown one saved where it is.
        return library.isUntitled() ? saveNewProject() : save();
    }
    Prompts::SaveRequest request;
    request.title = QStringLiteral("Speichern unter ...");
    const QStringList filters = DocumentKinds::saveFilters(library.pattern());
    request.filters = filters.isEmpty() ? QStringList{QStringLiteral("Alle Dateitypen (*)")} : filters;
    if (!m_shown.externalPath().isEmpty()) {
        request.proposedPath = m_shown.externalPath();
    } else if (library.fileIndex() == -1) {
        const QString proposed = DocumentKinds::proposedName(library.pattern());
        // With no name to propose, the dialog opens in the
        // document folder, or where the last Save as went.
        request.proposedPath = !proposed.isEmpty()          ? library.folder() + u'/' + proposed
                               : m_lastSaveAsPath.isEmpty() ? library.folder() + u'/'
                                                            : m_lastSaveAsPath;
    } else {
        request.proposedPath = library.folder() + u'/' + library.currentFileName();
    }
    const QString chosen = Prompts::instance().saveFileName(m_shown.window(), request);
    if (library.currentFileName().isEmpty()) {
        state.mFile = EditingState::untitledName();
        state.mChange = true;
        state.mAction = EditingState::Pending::Cancel;
    }
    if (chosen.isEmpty()) {
        return false;
    }
    const QString watched = m_shown.documentWatch().watchedPath();
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
    m_shown.documentRecovery().update();
    m_shown.showSavedFile(chosen);
    return true;
}

bool SaveCommands::saveNewProject()
{
    DocumentLibrary &library = m_library;
    EditingState &state = library.state();
    if (!m_shown.editorDocument().isLoaded()) {
        return false;
    }
    QString proposed = QStringLiteral("Neues Projekt");
    for (int n = 2; n < 100 && EntryExists(library.folder() + u'/' + proposed); ++n) {
        proposed = QStringLiteral("Neues Projekt %1").arg(n);
    }
    QString created;
    Renames dialog(
        proposed, [this, &created](const QString &name) { return createProject(name, &created); }, m_shown.window(),
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
    m_shown.documentRecovery().update();
    m_shown.showSavedFile(created);
    return true;
}

bool SaveCommands::createProject(const QString &name, QString *created)
{
    QWidget *window = m_shown.window();
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
    const QString folder = m_library.folder();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        tell(QStringLiteral("Der Dokumentordner ") + folder + QStringLiteral(" ist nicht vorhanden. "));
        return false;
    }
    const QString path = folder + u'/' + name;
    bool exists = EntryExists(path);
    for (const QString &project : std::as_const(m_library.folders())) {
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
