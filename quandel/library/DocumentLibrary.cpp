#include "DocumentLibrary.h"

#include "DesktopShell.h"
#include "DocumentInput.h"
#include "DocumentKinds.h"
#include "DocumentRecovery.h"
#include "DocumentWatch.h"
#include "EditorDocument.h"
#include "Helpers.h"
#include "Recovery.h"
#include "UnsavedChanges.h"
#include "WebView.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextCursor>

#include <utility>

DocumentLibrary::DocumentLibrary(const DocumentWidgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets), m_editorDoc(widgets.text)
{
    connect(m_w.dateien, &QListWidget::currentRowChanged, this, [this] {
        // Chosen in the list, not shown again by the program.
        const bool quiet = m_quietSelection;
        m_quietSelection = quiet || m_loadingDeferred;
        m_chosenInList = true;
        documentSelected();
        m_chosenInList = false;
        m_quietSelection = quiet;
    });
    // A mouse click selects the clicked entry after the list has reported it
    // as current, so also after the unsaved-changes question moved the list
    // back: the highlight must stay on the entry whose document is shown.
    // With no entry current (an untitled document) nothing may stay selected.
    connect(m_w.dateien, &QListWidget::itemSelectionChanged, this, [this] {
        if (QListWidgetItem *current = m_w.dateien->currentItem(); current && !current->isSelected()) {
            m_w.dateien->setCurrentItem(current, QItemSelectionModel::ClearAndSelect);
        } else if (!current && !m_w.dateien->selectedItems().isEmpty()) {
            m_w.dateien->clearSelection();
        }
    });
    // Every edit by the user marks the document changed, however it was made:
    // keys, the context menu, drag and drop, undo.
    connect(m_w.text, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_editorDoc.isSettingText()) {
            m_state.mChange = true;
            m_watch->noteUserEdit();
        }
    });
    m_recovery = new DocumentRecovery(*this, *this);
    m_watch = new DocumentWatch(*this, *this);
    new DocumentInput(m_w, *this);
}

void DocumentLibrary::setFolder(const QString &folder)
{
    m_folder = QDir::cleanPath(folder);
}

QString DocumentLibrary::currentFileName() const
{
    return m_fileIndex >= 0 && m_fileIndex < m_files.size() ? m_files.at(m_fileIndex) : QString();
}

int DocumentLibrary::checkedKind() const
{
    int kind = -1;
    for (int i = 0; i < DocumentKinds::Count; ++i) {
        if (m_w.kindActions[size_t(i)]->isChecked()) {
            kind = i;
        }
    }
    return kind;
}

bool DocumentLibrary::isProjectView() const
{
    return m_w.kindActions[DocumentKinds::ProjectFolders]->isChecked();
}

QString DocumentLibrary::caption() const
{
    return m_w.window->windowTitle();
}

int DocumentLibrary::entryCount() const
{
    return m_w.dateien->count();
}

LibraryEntry DocumentLibrary::entry(int index) const
{
    const QListWidgetItem *item = index >= 0 ? m_w.dateien->item(index) : nullptr;
    if (!item) {
        return {};
    }
    LibraryEntry e;
    e.text = item->text();
    e.displayName = DocumentKinds::documentName(e.text);
    e.kind = m_kind;
    e.index = index;
    if (isProjectView()) {
        e.path = m_folder + u'/' + e.text;
    } else if (index < m_files.size()) {
        e.path = m_folder + u'/' + m_files.at(index);
    }
    return e;
}

QList<LibraryEntry> DocumentLibrary::entries() const
{
    QList<LibraryEntry> all;
    const int count = entryCount();
    all.reserve(count);
    for (int i = 0; i < count; ++i) {
        all.append(entry(i));
    }
    return all;
}

QStringList DocumentLibrary::entryTexts() const
{
    QStringList texts;
    const int count = entryCount();
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        texts.append(m_w.dateien->item(i)->text());
    }
    return texts;
}

int DocumentLibrary::selectedIndex() const
{
    return m_w.dateien->currentRow();
}

bool DocumentLibrary::selectDocument(int index)
{
    if (index < -1 || index >= entryCount()) {
        return false;
    }
    // Through the list, as a choice of the user's: its selection handler
    // asks about unsaved changes and may move the list back.
    m_w.dateien->setCurrentRow(index);
    return m_w.dateien->currentRow() == index;
}

void DocumentLibrary::focusDocumentList()
{
    if (!m_w.dateien->isVisible()) {
        return;
    }
    if (QWidget *window = m_w.dateien->window()) {
        window->activateWindow();
    }
    m_w.dateien->setFocus(Qt::OtherFocusReason);
}

bool DocumentLibrary::replaceShownText(const QString &text)
{
    if (!m_editorDoc.isLoaded() || m_w.text->isReadOnly()) {
        return false;
    }
    QTextCursor cursor(m_w.text->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    return true;
}

void DocumentLibrary::selectNoEntry()
{
    m_w.dateien->setCurrentIndex(QModelIndex());
    m_w.dateien->clearSelection();
}

void DocumentLibrary::focusList()
{
    m_w.dateien->setFocus();
}

void DocumentLibrary::setDocumentListShown(bool shown)
{
    m_w.dateien->setVisible(shown);
}

ShownDocumentInfo DocumentLibrary::shownDocument() const
{
    return {documentPath(), m_editorDoc.format(), m_state.mChange, m_editorDoc.isLoaded(),
            m_editorDoc.readOnlyReason()};
}

QString DocumentLibrary::documentPath() const
{
    if (!m_externalPath.isEmpty()) {
        return m_externalPath;
    }
    if (isForeignEntry(selectedIndex())) {
        return {};
    }
    if (isProjectView()) {
        const LibraryEntry project = entry(selectedIndex());
        if (project.index < 0 || m_state.mIndex < 0) {
            return {};
        }
        return m_projectFile.isEmpty() ? DocumentKinds::projectFilePath(project.path) : m_projectFile;
    }
    const QString name = currentFileName();
    return name.isEmpty() ? QString() : m_folder + u'/' + name;
}

Prompts::Answer DocumentLibrary::askToSave()
{
    return Prompts::instance().message(m_w.window,
                                       m_state.mFile + u'\n' + QStringLiteral("wurde geändert.") + u'\n' + u'\n' +
                                           QStringLiteral("Möchten Sie die Änderungen speichern ? "),
                                       caption(), Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
}

int DocumentLibrary::TextChanging()
{
    using Step = UnsavedChangesCheck::Step;
    UnsavedChangesCheck check(m_state, isUntitled());
    Step step = check.start();
    while (!UnsavedChangesCheck::isDone(step)) {
        switch (step) {
        case Step::AskToSave: {
            const Prompts::Answer answer = askToSave();
            step = check.answered(answer == Prompts::Answer::Yes  ? UnsavedChangesCheck::Answer::Yes
                                  : answer == Prompts::Answer::No ? UnsavedChangesCheck::Answer::No
                                                                  : UnsavedChangesCheck::Answer::Cancel);
            break;
        }
        case Step::ReselectAndStop:
            // The selection handler, run again by this, carries out the
            // pending answer.
            selectEntry(m_state.mIndex);
            step = Step::Stop;
            break;
        case Step::Save:
        case Step::SaveAs:
            // Without a list entry (mIndex -1) a favourite shown from its own
            // file still has a name: only a document never saved asks for one.
            step = check.saved(isUntitled() ? saveAs() : save());
            break;
        case Step::Proceed:
        case Step::Stop:
            break;
        }
    }
    return step == Step::Stop ? 1 : 0;
}

void DocumentLibrary::selectEntry(int index)
{
    const int row = index >= 0 && index < entryCount() ? index : -1;
    if (selectedIndex() == row) {
        // The list reports nothing when the row stays the same. Selecting
        // must still carry out the answer to the unsaved-changes question
        // (Refresh, exit, New on the shown entry), or it would be left
        // pending: a Yes that saves nothing, a Cancel that turns away the
        // next selection without asking.
        documentSelected();
    } else if (row == -1) {
        // Set through the view, not the row: an item view that has no current
        // entry makes its first entry current when it gets the focus back
        // (after the question closes), which would load it or ask again.
        m_w.dateien->setCurrentIndex(QModelIndex());
    } else {
        m_w.dateien->setCurrentRow(row);
    }
    if (row == -1) {
        m_w.dateien->clearSelection();
    }
}

bool DocumentLibrary::settleUnsavedChanges()
{
    if (!m_state.mChange) {
        return true;
    }
    const Prompts::Answer answer = askToSave();
    if (answer == Prompts::Answer::Cancel) {
        return false;
    }
    if (answer == Prompts::Answer::Yes) {
        const bool saved = isUntitled() ? saveAs() : save();
        if (!saved) {
            // Nothing is lost: the text stays as it is, and the command does
            // not go on.
            m_state.mAction = EditingState::Pending::None;
            m_state.mChange = true;
            return false;
        }
    }
    m_state.mChange = false;
    return true;
}

void DocumentLibrary::refresh()
{
    if (m_busy) {
        return;
    }
    if (TextChanging() == 1) {
        return;
    }
    {
        const QSignalBlocker blockList(m_w.dateien);
        m_w.dateien->clear();
    }
    DocumentKinds::Listing listing = DocumentKinds::list(m_folder, m_pattern);
    m_files = std::move(listing.files);
    m_folders = std::move(listing.folders);
    m_foreignFiles = std::move(listing.foreignFiles);
    m_foreignFolders = std::move(listing.foreignFolders);

    m_state.mIndex = -1;
    m_state.mFile = EditingState::untitledName();
    m_fileIndex = -1;
    clearEditor();

    const QStringList entries = DocumentKinds::listEntries(m_files, m_folders, isProjectView());
    {
        const QSignalBlocker blockList(m_w.dateien);
        m_w.dateien->addItems(entries);
        m_w.dateien->setCurrentRow(-1);
        const QString mark = QStringLiteral("Der Dateiname ist nicht in UTF-8 geschrieben; "
                                            "angezeigt wird seine Windows-1252-Lesart.");
        const QHash<qsizetype, QByteArray> &foreign = isProjectView() ? m_foreignFolders : m_foreignFiles;
        if (!foreign.isEmpty()) {
            // No taller than a line of the list.
            const int height = m_w.dateien->fontMetrics().height();
            m_w.dateien->setIconSize(QSize(height, height));
        }
        for (auto it = foreign.cbegin(); it != foreign.cend(); ++it) {
            if (QListWidgetItem *item = m_w.dateien->item(int(it.key()))) {
                item->setIcon(m_w.dateien->style()->standardIcon(QStyle::SP_MessageBoxWarning));
                item->setToolTip(mark);
                item->setData(Qt::AccessibleDescriptionRole, mark);
            }
        }
    }
    m_fileIndex = -1;
    clearEditor();

    if (!m_files.isEmpty()) {
        m_fileIndex = 0;
    }
    if (entryCount() > 0) {
        // The first entry is not the user's choice: an entry it leads to
        // is not asked about.
        const bool quiet = std::exchange(m_quietSelection, true);
        m_w.dateien->setCurrentRow(0);
        m_quietSelection = quiet;
    }
    m_w.dateien->setFocus();
}

bool DocumentLibrary::isForeignEntry(int row) const
{
    return (isProjectView() ? m_foreignFolders : m_foreignFiles).contains(row);
}

bool DocumentLibrary::offerProperName()
{
    const int row = selectedIndex();
    if (!m_externalPath.isEmpty() || !isForeignEntry(row)) {
        return true;
    }
    const QByteArray foreignName = (isProjectView() ? m_foreignFolders : m_foreignFiles).value(row);
    const QString name = isProjectView() ? QFileInfo(m_folders.value(row)).fileName() : m_files.value(row);
    const QString title = QStringLiteral(" Umbenennen");
    if (Prompts::instance().message(
            m_w.window,
            QStringLiteral("Der Name von ") + name +
                QStringLiteral(" ist nicht in UTF-8 geschrieben, sondern wohl in Windows-1252. ") + u'\n' +
                QStringLiteral("Unter diesem Namen kann es weder angezeigt noch bearbeitet werden. ") + u'\n' + u'\n' +
                QStringLiteral("Möchten Sie es in ") + name + QStringLiteral(" umbenennen ? "),
            title, Prompts::Buttons::YesNo, Prompts::Icon::Question) != Prompts::Answer::Yes) {
        return false;
    }
    QString error;
    bool taken = false;
    if (!DocumentKinds::renameForeign(m_folder, foreignName, name, &error, &taken)) {
        Prompts::instance().message(
            m_w.window,
            taken ? QString(QStringLiteral("Es gibt bereits ") + name +
                            QStringLiteral(" im Dokumentordner. Der Name bleibt, wie er ist. ") + u'\n' +
                            QStringLiteral("Benennen Sie zuerst das andere Dokument um."))
                  : QString(name + QStringLiteral(" konnte nicht umbenannt werden. ") + u'\n' + error),
            title, Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return false;
    }
    refresh();
    const QStringList entries = DocumentKinds::listEntries(m_files, m_folders, isProjectView());
    const QString entry = isProjectView() ? name : DocumentKinds::displayName(name);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries.at(i) == entry && !isForeignEntry(int(i)) && (isProjectView() || m_files.at(i) == name)) {
            selectEntry(int(i));
            break;
        }
    }
    return false;
}

void DocumentLibrary::selectKind(int kind)
{
    if (m_busy || TextChanging() == 1) {
        // The view menu ticks its entry itself; the list still shows the
        // kind it showed.
        for (int i = 0; i < DocumentKinds::Count; ++i) {
            m_w.kindActions[size_t(i)]->setChecked(i == m_kind);
        }
        return;
    }
    if (kind >= 1 && m_w.webAction->isChecked()) {
        toggleWebView();
        QCoreApplication::processEvents();
    }
    for (QAction *entry : m_w.kindActions) {
        entry->setChecked(false);
    }
    if (DocumentKinds::isValid(kind)) {
        m_pattern = DocumentKinds::pattern(kind);
    }
    clearEditor();
    if (DocumentKinds::isValid(kind)) {
        m_w.kindActions[size_t(kind)]->setChecked(true);
    }
    m_kind = DocumentKinds::isValid(kind) ? kind : -1;
    m_fileIndex = -1;
    refresh();
}

void DocumentLibrary::chooseFolder()
{
    if (m_busy || !settleUnsavedChanges()) {
        return;
    }
    const QString chosen =
        Prompts::instance().chooseFolder(m_w.window,
                                         QStringLiteral("Bitte wählen Sie den Ordner, indem ihre Dokumente ") + u'\n' +
                                             QStringLiteral("und Projekte verwalten werden sollen ..."),
                                         m_folder);
    if (chosen.isEmpty()) {
        return;
    }
    setFolder(chosen);
    clearEditor();
    refresh();
}

void DocumentLibrary::clearEditor()
{
    m_editorDoc.clear();
    m_externalPath.clear();
    m_projectFile.clear();
    m_readOnlyExplained = false;
    m_watch->forgetShownDocument();
}

bool DocumentLibrary::showExternalDocument(const QString &path, const QString &name)
{
    if (m_busy || TextChanging() == 1) {
        return false;
    }
    clearEditor();
    {
        // No entry stands for this document: none is selected, so that no
        // file command acts on another document than the one shown.
        const QSignalBlocker blockList(m_w.dateien);
        selectNoEntry();
    }
    m_fileIndex = -1;
    m_externalPath = path;
    m_state.mFile = name;
    m_state.mIndex = -1;
    m_state.mChange = false;
    setStatusFor(path);
    if (QFileInfo::exists(path)) {
        loadFile(path);
    } else {
        m_watch->watchShownDocument();
    }
    return true;
}

void DocumentLibrary::documentSelected()
{
    if (TextChanging() == 1) {
        return;
    }
    // Read after the check: saving an untitled document from it selects the
    // entry of the file just written.
    const int selected = selectedIndex();
    clearEditor();
    const LibraryEntry chosen = entry(selected);

    if (isProjectView()) {
        if (chosen.index < 0) {
            m_state.mFile = EditingState::untitledName();
            m_state.mIndex = -1;
            m_state.mChange = false;
            return;
        }
        m_state.mFile = chosen.text;
        m_state.mIndex = selected;
        m_state.mChange = false;
        if (isForeignEntry(selected)) {
            showForeignEntry(chosen.text);
            return;
        }
        const QString projectFolder = chosen.path;
        setStatusFor(projectFolder);
        // Shown, and saved, in the spelling found.
        m_projectFile = DocumentKinds::projectFilePath(projectFolder);
        const QString file = m_projectFile;
        if (!QFileInfo::exists(file)) {
            // A project without its text yet: Save creates it.
            m_watch->watchShownDocument();
            return;
        }
        if (!m_loadingDeferred) {
            loadFile(file);
        }
        return;
    }

    m_fileIndex = selected < m_files.size() ? selected : -1;
    m_state.mFile = chosen.displayName;
    m_state.mIndex = selected;
    m_state.mChange = false;
    if (m_fileIndex == -1) {
        m_state.mFile = EditingState::untitledName();
        return;
    }
    if (isForeignEntry(selected)) {
        showForeignEntry(currentFileName());
        return;
    }
    const QString path = m_folder + u'/' + currentFileName();
    if (m_loadingDeferred) {
        setStatusFor(path);
        return;
    }
    if (!m_w.webBrowser->isHidden()) {
        m_w.webBrowser->navigate(QUrl::fromLocalFile(path));
    }
    setStatusFor(path);
    loadFile(path);
}

void DocumentLibrary::showForeignEntry(const QString &name)
{
    m_editorDoc.showLoadFailure(QStringLiteral("Sein Dateiname ist nicht in UTF-8 geschrieben. ") + u'\n' +
                                QStringLiteral("Mit „Umbenennen ...“ erhält es den Namen ") + name +
                                QStringLiteral("."));
    if (!m_w.dateien->isHidden()) {
        m_w.status->setText(QStringLiteral(" Dateiname nicht in UTF-8"));
    }
    if (m_chosenInList && !m_quietSelection) {
        offerProperName();
    }
}

void DocumentLibrary::setStatusText(const QString &text)
{
    m_w.status->setText(text);
}

void DocumentLibrary::showModificationStatus()
{
    const QString path = isProjectView()
                             ? entry(selectedIndex()).path
                             : (currentFileName().isEmpty() ? QString() : m_folder + u'/' + currentFileName());
    m_w.status->setText(DocumentKinds::modifiedText(path));
}

void DocumentLibrary::setStatusFor(const QString &path)
{
    if (m_w.dateien->isHidden()) {
        return;
    }
    m_w.status->setText(DocumentKinds::modifiedText(path));
}

void DocumentLibrary::loadFile(const QString &path)
{
    // Watched before reading, with the hash of the bytes read: a write in
    // between is then read again, and the file is read once.
    m_watch->watchShownDocument(false);
    const std::optional<QByteArray> bytes = m_editorDoc.load(path);
    m_watch->hashOfRead(bytes ? &*bytes : nullptr);
    if (!m_editorDoc.readOnlyReason().isEmpty()) {
        m_w.status->setText(QStringLiteral(" Nur zum Lesen: ") + m_editorDoc.readOnlyReason());
    }
}

bool DocumentLibrary::explainReadOnly()
{
    const QString reason = m_editorDoc.readOnlyReason();
    if (m_editorDoc.isLoaded() || reason.isEmpty() || m_readOnlyExplained) {
        return false;
    }
    m_readOnlyExplained = true;
    Prompts::instance().message(m_w.window,
                                m_state.mFile + QStringLiteral(" wird nur zum Lesen angezeigt. ") + u'\n' + reason +
                                    u'\n' + QStringLiteral("Änderungen können nicht gespeichert werden. "),
                                QStringLiteral(" ") + caption(), Prompts::Buttons::Ok, Prompts::Icon::Information);
    return true;
}

void DocumentLibrary::toggleWebView()
{
    if (m_busy) {
        return;
    }
    if (!m_w.webBrowser->isHidden()) {
        m_w.text->show();
        m_w.webBrowser->hide();
        m_w.webAction->setChecked(false);
        return;
    }
    m_w.webBrowser->show();
    m_w.webAction->setChecked(true);
    m_w.text->hide();
    documentSelected();
}

void DocumentLibrary::newDocument(int kind)
{
    if (m_busy) {
        return;
    }
    if (TextChanging() == 1) {
        return;
    }
    selectKind(kind);
    m_state.mIndex = -1;
    m_state.mFile = EditingState::untitledName();
    m_fileIndex = -1;
    selectEntry(-1);
    clearEditor();
    m_state.mChange = false;
}

void DocumentLibrary::open()
{
    if (!offerProperName()) {
        return;
    }
    QString target;
    if (isProjectView()) {
        if (const LibraryEntry project = entry(selectedIndex()); project.index >= 0 && m_state.mIndex >= 0) {
            target = project.path;
        }
    } else if (!currentFileName().isEmpty()) {
        target = m_folder + u'/' + currentFileName();
    }
    if (target.isEmpty()) {
        return;
    }
    QString error;
    if (!Shell::instance().openWithDefaultApplication(target, &error)) {
        Prompts::instance().message(m_w.window,
                                    QFileInfo(target).fileName() + QStringLiteral(" konnte nicht geöffnet werden. ") +
                                        u'\n' + error,
                                    QStringLiteral(" ") + caption(), Prompts::Buttons::Ok, Prompts::Icon::Critical);
    }
}

void DocumentLibrary::showSavedFile(const QString &path)
{
    refresh();
    if (isProjectView()) {
        // The text file of a new project: its folder is the entry.
        const QString project = QFileInfo(QFileInfo(path).absolutePath()).fileName();
        const QStringList entries = DocumentKinds::listEntries(m_files, m_folders, true);
        const qsizetype exact = entries.indexOf(project);
        selectEntry(exact >= 0 ? int(exact) : FindListIndex(entries, project));
        return;
    }
    // The file just written, when the list has it: with notiz.txt and
    // Notiz.txt side by side, a look-up by name alone would show the other.
    const QString fileName = QFileInfo(path).fileName();
    int index = -1;
    if (QFileInfo(QFileInfo(path).absolutePath()) == QFileInfo(m_folder) && m_files.size() == entryCount()) {
        index = int(m_files.indexOf(fileName));
    }
    if (index < 0) {
        // The list as refresh() just filled it.
        index = FindListIndex(DocumentKinds::listEntries(m_files, m_folders, isProjectView()),
                              DocumentKinds::lookupName(fileName));
    }
    selectEntry(index);
}

bool DocumentLibrary::checkOutsideChanges(bool beforeSave)
{
    return m_watch->check(beforeSave);
}

void DocumentLibrary::keepUnsavedTextForNextStart()
{
    // The program ends next: a failed write can no longer be told.
    static_cast<void>(m_recovery->writeNow());
    m_recovery->keeper()->leaveForNextStart();
}

void DocumentLibrary::takeOutsideListing(const DocumentKinds::Listing &found)
{
    if (m_busy) {
        return;
    }
    const bool project = isProjectView();
    QStringList files = found.files;
    QStringList folders = found.folders;
    // The shown document keeps its entry while it is shown, also when its
    // file went: it is still saved under that name (the watch has marked it
    // changed).
    QString shownFile;
    QString shownFolder;
    if (m_externalPath.isEmpty() && m_state.mIndex >= 0) {
        if (!project) {
            shownFile = currentFileName();
            if (!shownFile.isEmpty() && !files.contains(shownFile)) {
                files.append(shownFile);
                files = DocumentKinds::sortedNames(files);
            }
        } else if (const LibraryEntry project = entry(m_state.mIndex); project.index >= 0) {
            shownFolder = project.path;
            if (!folders.contains(shownFolder)) {
                folders.append(shownFolder);
                folders = DocumentKinds::sortedNames(folders);
            }
        }
    }
    const bool entriesChange = project ? folders != m_folders : files != m_files;
    m_files = std::move(files);
    m_folders = std::move(folders);
    if (!project) {
        m_fileIndex = shownFile.isEmpty() ? -1 : int(m_files.indexOf(shownFile));
    } else if (m_fileIndex >= m_files.size()) {
        m_fileIndex = -1;
    }
    if (!entriesChange) {
        return;
    }
    const int shownRow = project ? (shownFolder.isEmpty() ? -1 : int(m_folders.indexOf(shownFolder))) : m_fileIndex;
    {
        const QSignalBlocker blockList(m_w.dateien);
        m_w.dateien->clear();
        m_w.dateien->addItems(DocumentKinds::listEntries(m_files, m_folders, project));
        if (shownRow >= 0) {
            m_w.dateien->setCurrentRow(shownRow);
        } else {
            selectNoEntry();
        }
    }
    if (m_state.mIndex >= 0) {
        m_state.mIndex = shownRow;
    }
}

void DocumentLibrary::reloadFromDisk(const QString &watched)
{
    // A copy: loading watches the document afresh, and watched may be the
    // watch's own path.
    const QString path = watched; // NOLINT(performance-unnecessary-copy-initialization)
    // Taken before reading, as in loadFile().
    m_watch->watchShownDocument();
    m_editorDoc.reload(path);
    m_state.mChange = false;
    if (!m_w.webBrowser->isHidden() && m_externalPath.isEmpty() && !isProjectView()) {
        m_w.webBrowser->navigate(QUrl::fromLocalFile(path));
    }
    setStatusFor(isProjectView() && m_externalPath.isEmpty() ? QFileInfo(path).absolutePath() : path);
}
