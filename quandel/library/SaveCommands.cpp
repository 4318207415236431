#include "SaveCommands.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentRecovery.h"
#include "DocumentWatch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QListWidget>

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
            return saveAs();
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
    Prompts::SaveRequest request;
    request.title = QStringLiteral("Speichern unter ...");
    const QStringList filters = DocumentKinds::saveFilters(library.m_pattern);
    request.filters = filters.isEmpty() ? QStringList{QStringLiteral("Alle Dateitypen (*)")} : filters;
    if (!library.m_externalPath.isEmpty()) {
        request.proposedPath = library.m_externalPath;
    } else if (library.m_fileIndex == -1) {
        const QString proposed = DocumentKinds::proposedName(library.m_pattern);
        // With no name to propose (a new project), the dialog opens in the
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
