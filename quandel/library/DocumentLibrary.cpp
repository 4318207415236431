#include "DocumentLibrary.h"

#include "DocumentKinds.h"
#include "FileSystem.h"
#include "Helpers.h"
#include "Shell.h"
#include "WebView.h"

#include <QAction>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {

// Documents larger than this are not put into the editor: it would take long
// and hold a lot of memory, and the user could not work with them anyway.
constexpr qint64 MaxEditorBytes = 16ll * 1024 * 1024;

const QString Untitled = QStringLiteral("Unbenannt");

// Editors replace a file in several steps (write, rename, remove the backup);
// waiting this long after the last report checks the end result once.
constexpr int OutsideCheckDelayMs = 50;

// Marks the editor text as set by the program, not typed by the user.
class LoadingGuard
{
public:
    explicit LoadingGuard(int &counter) : m_counter(counter) { ++m_counter; }
    ~LoadingGuard() { --m_counter; }
    LoadingGuard(const LoadingGuard &) = delete;
    LoadingGuard &operator=(const LoadingGuard &) = delete;

private:
    int &m_counter;
};

} // namespace

DocumentLibrary::DocumentLibrary(const DocumentWidgets &widgets, QObject *parent) : QObject(parent), m_w(widgets)
{
    connect(m_w.dateien, &QListWidget::currentRowChanged, this, [this] { documentSelected(); });
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
        if (m_loading == 0) {
            m_state.mChange = true;
            m_onlyGone = false;
        }
    });
    m_watcher = new QFileSystemWatcher(this);
    m_outsideCheck = new QTimer(this);
    m_outsideCheck->setSingleShot(true);
    connect(m_outsideCheck, &QTimer::timeout, this, [this] { checkOutsideChanges(); });
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { scheduleOutsideCheck(OutsideCheckDelayMs); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { scheduleOutsideCheck(OutsideCheckDelayMs); });
    // Closing the question itself activates the window again; only when the
    // user has been in another program is a postponed change asked about anew.
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState appState) {
            if (appState != Qt::ApplicationActive) {
                m_hasPostponed = false;
            }
        });
    }
    if (m_w.window) {
        m_w.window->installEventFilter(this);
    }
    m_w.text->installEventFilter(this);
    m_w.dateien->installEventFilter(this);
    m_listViewport = m_w.dateien->viewport();
    m_listViewport->installEventFilter(this);
    if (m_w.wordSearch) {
        m_w.wordSearch->setText(QStringLiteral("DIREKTEINGABE ?"));
    }
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

QString DocumentLibrary::documentPath() const
{
    if (!m_externalPath.isEmpty()) {
        return m_externalPath;
    }
    if (isProjectView()) {
        const QListWidgetItem *item = m_w.dateien->currentItem();
        if (!item || m_state.mIndex < 0) {
            return {};
        }
        return m_folder + u'/' + item->text() + u'/' + DocumentKinds::projectFileName();
    }
    const QString name = currentFileName();
    return name.isEmpty() ? QString() : m_folder + u'/' + name;
}

QString DocumentLibrary::editorText(const QPlainTextEdit *editor)
{
    QString text = editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// ---------------------------------------------------------------------------
// Unsaved changes

Prompts::Answer DocumentLibrary::askToSave()
{
    return Prompts::instance().message(m_w.window,
                                       m_state.mFile + u'\n' + QStringLiteral("wurde geändert.") + u'\n' + u'\n' +
                                           QStringLiteral("Möchten Sie die Änderungen speichern ? "),
                                       caption(), Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
}

int DocumentLibrary::TextChanging()
{
    using Pending = EditingState::Pending;
    int result = 0;
    if (m_state.mAction == Pending::None) {
        if (!m_state.mChange) {
            return 0;
        }
        switch (askToSave()) {
        case Prompts::Answer::Yes:
            m_state.mAction = Pending::Save;
            selectEntry(m_state.mIndex);
            return 1;
        case Prompts::Answer::No:
            m_state.mAction = Pending::None;
            m_state.mChange = false;
            return 0;
        default:
            m_state.mAction = Pending::Cancel;
            selectEntry(m_state.mIndex);
            return 1;
        }
    }
    if (m_state.mAction == Pending::Save) {
        m_state.mChange = false;
        m_state.mAction = Pending::None;
        const bool saved = isUntitled() ? saveAs() : save();
        if (!saved && m_state.mAction == Pending::None) {
            // The text could not be written: keep it and stop the command
            // that asked, rather than let it replace the unsaved text.
            m_state.mChange = true;
            result = 1;
        }
    }
    if (m_state.mAction == Pending::Cancel) {
        m_state.mChange = true;
        m_state.mAction = Pending::None;
        result = 1;
    }
    return result;
}

void DocumentLibrary::selectEntry(int index)
{
    const int row = index >= 0 && index < m_w.dateien->count() ? index : -1;
    if (m_w.dateien->currentRow() == row) {
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

// ---------------------------------------------------------------------------
// Folder, kind and list

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
        m_w.dateienImt->clear();
    }
    m_files = DocumentKinds::listFiles(m_folder, m_pattern);
    m_folders = DocumentKinds::listFolders(m_folder);

    m_state.mIndex = -1;
    m_state.mFile = Untitled;
    m_fileIndex = -1;
    clearEditor();

    QStringList entries;
    if (isProjectView()) {
        for (const QString &path : std::as_const(m_folders)) {
            entries.append(QFileInfo(path).fileName());
        }
    } else {
        entries.reserve(m_files.size());
        for (const QString &name : std::as_const(m_files)) {
            entries.append(DocumentKinds::displayName(name));
        }
    }
    {
        const QSignalBlocker blockList(m_w.dateien);
        m_w.dateien->addItems(entries);
        m_w.dateienImt->addItems(entries);
        m_w.dateien->setCurrentRow(-1);
    }
    m_fileIndex = -1;
    clearEditor();

    if (!m_files.isEmpty()) {
        m_fileIndex = 0;
    }
    if (m_w.dateien->count() > 0) {
        m_w.dateien->setCurrentRow(0);
    }
    m_w.dateien->setFocus();
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

// ---------------------------------------------------------------------------
// The shown document

void DocumentLibrary::clearEditor()
{
    const LoadingGuard guard(m_loading);
    m_w.text->clear();
    m_w.text->setReadOnly(false);
    m_w.text->setPlaceholderText(QString());
    m_format = TextFormat::document();
    m_doc = DocumentText();
    m_loaded = true;
    m_externalPath.clear();
    forgetShownDocument();
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
        m_w.dateien->setCurrentIndex(QModelIndex());
        m_w.dateien->clearSelection();
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
        watchShownDocument();
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
    const int selected = m_w.dateien->currentRow();
    clearEditor();
    const QListWidgetItem *item = selected >= 0 ? m_w.dateien->item(selected) : nullptr;

    if (isProjectView()) {
        if (!item) {
            m_state.mFile = Untitled;
            m_state.mIndex = -1;
            m_state.mChange = false;
            return;
        }
        m_state.mFile = item->text();
        m_state.mIndex = selected;
        m_state.mChange = false;
        const QString projectFolder = m_folder + u'/' + item->text();
        setStatusFor(projectFolder);
        const QString file = projectFolder + u'/' + DocumentKinds::projectFileName();
        if (!QFileInfo::exists(file)) {
            // A project without its text yet: Save creates it.
            watchShownDocument();
            return;
        }
        loadFile(file);
        return;
    }

    m_fileIndex = selected < m_files.size() ? selected : -1;
    m_state.mFile = item ? DocumentKinds::documentName(item->text()) : QString();
    m_state.mIndex = selected;
    m_state.mChange = false;
    if (m_fileIndex == -1) {
        m_state.mFile = Untitled;
        return;
    }
    const QString path = m_folder + u'/' + currentFileName();
    if (!m_w.webBrowser->isHidden()) {
        m_w.webBrowser->navigate(QUrl::fromLocalFile(path));
    }
    setStatusFor(path);
    loadFile(path);
}

void DocumentLibrary::setStatusText(const QString &text)
{
    m_w.status->setText(text);
}

void DocumentLibrary::showModificationStatus()
{
    const QString path =
        isProjectView()
            ? (m_w.dateien->currentItem() ? m_folder + u'/' + m_w.dateien->currentItem()->text() : QString())
            : (currentFileName().isEmpty() ? QString() : m_folder + u'/' + currentFileName());
    if (path.isEmpty()) {
        m_w.status->setText(QStringLiteral(" Geändert: "));
        return;
    }
    m_w.status->setText(QStringLiteral(" Geändert: ") +
                        QLocale().toString(QFileInfo(path).lastModified(), QLocale::ShortFormat));
}

void DocumentLibrary::setStatusFor(const QString &path)
{
    if (m_w.dateien->isHidden()) {
        return;
    }
    const QFileInfo info(path);
    m_w.status->setText(QStringLiteral(" Geändert: ") + QLocale().toString(info.lastModified(), QLocale::ShortFormat));
}

void DocumentLibrary::loadFile(const QString &path)
{
    // Taken before reading: a write in between then shows as a change and
    // is read again, rather than slipping by.
    watchShownDocument();
    const TextFile::ReadResult read = TextFile::read(path, MaxEditorBytes);
    if (!read.ok) {
        showLoadFailure(read.error);
        return;
    }
    m_format = read.content.format;
    m_doc = DocumentText::fromFile(read.content.text);
    const LoadingGuard guard(m_loading);
    m_w.text->setPlainText(m_doc.editorText);
    // Characters the editor cannot hold as they are (a lone carriage return,
    // control characters of a binary file) would come back changed: such a
    // document is shown, but read-only, so that saving cannot alter it. NUL
    // survives the editor, but only binary files hold it.
    if (editorText(m_w.text) != m_doc.editorText || m_doc.editorText.contains(QChar(u'\0'))) {
        m_w.text->setReadOnly(true);
        m_loaded = false;
    }
}

void DocumentLibrary::showLoadFailure(const QString &reason)
{
    const LoadingGuard guard(m_loading);
    m_w.text->clear();
    m_w.text->setReadOnly(true);
    m_w.text->setPlaceholderText(QStringLiteral("Das Dokument kann nicht angezeigt werden. ") + u'\n' + reason);
    m_loaded = false;
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

bool DocumentLibrary::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_w.window && event->type() == QEvent::WindowActivate) {
        // Not from within the event: the question is a modal dialog.
        scheduleOutsideCheck(0);
    }
    if (watched == m_w.text) {
        if (event->type() == QEvent::FocusIn) {
            m_state.mFocusText = true;
        } else if (event->type() == QEvent::FocusOut &&
                   static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
            // An opening menu takes the focus only for as long as it is open:
            // Paste in that very menu still acts on the editor.
            m_state.mFocusText = false;
        }
    }
    if ((watched == m_w.text || watched == m_w.dateien) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Q && key->modifiers() == Qt::AltModifier) {
            Q_EMIT exitRequested();
            return true;
        }
        if (watched == m_w.dateien && m_w.wordSearch) {
            const QString typed = key->text();
            if (!typed.isEmpty() && typed.at(0).isPrint()) {
                // Echo of what the user types into the list.
                if (m_w.wordSearch->text().size() >= 3) {
                    m_w.wordSearch->clear();
                }
                m_w.wordSearch->setText(m_w.wordSearch->text() + typed);
            }
        }
    }
    // The viewport is compared as kept: while the list is being destroyed,
    // asking it for its viewport is no longer allowed.
    if (watched == m_listViewport && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton &&
        m_w.kindActions[DocumentKinds::HelpDocuments]->isChecked()) {
        toggleWebView();
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// New, open, save, save as

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
    m_state.mFile = Untitled;
    m_fileIndex = -1;
    selectEntry(-1);
    clearEditor();
    m_state.mChange = false;
}

void DocumentLibrary::open()
{
    QString target;
    if (isProjectView()) {
        if (const QListWidgetItem *item = m_w.dateien->currentItem(); item && m_state.mIndex >= 0) {
            target = m_folder + u'/' + item->text();
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

void DocumentLibrary::reportSaveFailure(const QString &name)
{
    Prompts::instance().message(m_w.window,
                                name + QStringLiteral(" konnte nicht gespeichert werden. ") + u'\n' +
                                    QStringLiteral("Schreibzugriff wird eventuell durch eine andere Anwendung "
                                                   "blockiert. ") +
                                    u'\n' + QStringLiteral("Andere Anwendungen schließen und Vorgang wiederholen. "),
                                QStringLiteral(" ") + caption(), Prompts::Buttons::Ok, Prompts::Icon::Critical);
}

bool DocumentLibrary::writeDocument(const QString &path, const QString &name)
{
    // A read-only document is made writable first, as saving asks for.
    QFile file(path);
    if (file.exists() && !(file.permissions() & QFileDevice::WriteOwner)) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    }
    const TextFile::WriteResult written = TextFile::write(path, m_doc.toFile(editorText(m_w.text)), m_format);
    if (!written.ok) {
        return false;
    }
    m_format = written.usedFormat;
    if (written.switchedToUtf8) {
        Prompts::instance().message(
            m_w.window,
            name + QStringLiteral(" enthält Zeichen, die der Zeichensatz Windows-1252 nicht kennt. ") + u'\n' +
                QStringLiteral("Das Dokument wurde deshalb als UTF-8 gespeichert. "),
            QStringLiteral(" ") + caption(), Prompts::Buttons::Ok, Prompts::Icon::Information);
    }
    return true;
}

bool DocumentLibrary::save()
{
    if (!m_loaded) {
        // Nothing of this document is in the editor: saving would replace
        // the file with what the editor could not show.
        return false;
    }
    QString target;
    QString name;
    if (!m_externalPath.isEmpty()) {
        target = m_externalPath;
        name = QFileInfo(target).fileName();
    } else if (isProjectView()) {
        const QListWidgetItem *item = m_w.dateien->currentItem();
        if (!item || m_state.mIndex < 0) {
            return saveAs();
        }
        name = item->text();
        const QString projectFolder = m_folder + u'/' + name;
        target = projectFolder + u'/' + DocumentKinds::projectFileName();
    } else {
        name = currentFileName();
        if (name.isEmpty()) {
            return saveAs();
        }
        target = m_folder + u'/' + name;
    }
    QCoreApplication::processEvents();
    if (!checkOutsideChanges(true)) {
        return false;
    }
    if (!writeDocument(target, name)) {
        reportSaveFailure(name);
        m_state.mChange = true;
        return false;
    }
    watchShownDocument();
    m_state.mChange = false;
    m_state.mAction = EditingState::Pending::None;
    m_w.dateien->setFocus();
    return true;
}

bool DocumentLibrary::saveAs()
{
    if (!m_loaded) {
        // The editor does not hold this document as it is, and the name
        // proposed is the document's own file.
        return false;
    }
    Prompts::SaveRequest request;
    request.title = QStringLiteral("Speichern unter ...");
    const QStringList filters = DocumentKinds::saveFilters(m_pattern);
    request.filters = filters.isEmpty() ? QStringList{QStringLiteral("Alle Dateitypen (*)")} : filters;
    if (!m_externalPath.isEmpty()) {
        request.proposedPath = m_externalPath;
    } else if (m_fileIndex == -1) {
        const QString proposed = DocumentKinds::proposedName(m_pattern);
        request.proposedPath = proposed.isEmpty() ? m_lastSaveAsPath : m_folder + u'/' + proposed;
    } else {
        request.proposedPath = m_folder + u'/' + currentFileName();
    }
    const QString chosen = Prompts::instance().saveFileName(m_w.window, request);
    if (currentFileName().isEmpty()) {
        m_state.mFile = Untitled;
        m_state.mChange = true;
        m_state.mAction = EditingState::Pending::Cancel;
    }
    if (chosen.isEmpty()) {
        return false;
    }
    if (!m_watchedPath.isEmpty() && QFileInfo(chosen) == QFileInfo(m_watchedPath) && !checkOutsideChanges(true)) {
        return false;
    }
    m_lastSaveAsPath = chosen;
    const QString fileName = QFileInfo(chosen).fileName();
    if (!writeDocument(chosen, fileName)) {
        reportSaveFailure(fileName);
        m_state.mChange = true;
        return false;
    }
    m_state.mChange = false;
    m_state.mAction = EditingState::Pending::None;
    refresh();
    // The file just written, when the list has it: with notiz.txt and
    // Notiz.txt side by side, a look-up by name alone would show the other.
    int index = -1;
    if (!isProjectView() && QFileInfo(QFileInfo(chosen).absolutePath()) == QFileInfo(m_folder) &&
        m_files.size() == m_w.dateien->count()) {
        index = int(m_files.indexOf(fileName));
    }
    if (index < 0) {
        QStringList entries;
        entries.reserve(m_w.dateien->count());
        for (int i = 0; i < m_w.dateien->count(); ++i) {
            entries.append(m_w.dateien->item(i)->text());
        }
        index = FindListIndex(entries, DocumentKinds::lookupName(fileName));
    }
    selectEntry(index);
    return true;
}

// ---------------------------------------------------------------------------
// Changes made by other programs

DocumentLibrary::DiskStamp DocumentLibrary::stampOf(const QString &path, bool withHash)
{
    DiskStamp stamp;
    const QFileInfo info(path);
    if (!info.isFile()) {
        return stamp;
    }
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modified = info.lastModified();
    if (withHash) {
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha1);
        if (file.open(QIODevice::ReadOnly) && hash.addData(&file)) {
            stamp.hash = hash.result();
        }
    }
    return stamp;
}

bool DocumentLibrary::sameStamp(const DiskStamp &a, const DiskStamp &b)
{
    return a.exists == b.exists && (!a.exists || (a.size == b.size && a.modified == b.modified));
}

void DocumentLibrary::watchShownDocument()
{
    m_watchedPath = documentPath();
    m_hasPostponed = false;
    m_onlyGone = false;
    if (m_watchedPath.isEmpty()) {
        forgetShownDocument();
        return;
    }
    m_seen = stampOf(m_watchedPath, true);
    renewWatch(true);
}

void DocumentLibrary::forgetShownDocument()
{
    m_watchedPath.clear();
    m_seen = DiskStamp();
    m_hasPostponed = false;
    m_onlyGone = false;
    m_outsideCheck->stop();
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty()) {
        m_watcher->removePaths(watched);
    }
}

void DocumentLibrary::renewWatch(bool replaced)
{
    const QStringList files = m_watcher->files();
    const QStringList folders = m_watcher->directories();
    if (QFileInfo(m_watchedPath).isFile()) {
        // A file replaced by rename keeps its name, but the watch stays with
        // the old file, which is gone: the name is watched afresh.
        if (replaced || !files.contains(m_watchedPath)) {
            if (!files.isEmpty()) {
                m_watcher->removePaths(files);
            }
            m_watcher->addPath(m_watchedPath);
        }
        if (!folders.isEmpty()) {
            m_watcher->removePaths(folders);
        }
        return;
    }
    // While the file is missing, its folder tells when it comes back.
    if (!files.isEmpty()) {
        m_watcher->removePaths(files);
    }
    const QString folder = QFileInfo(m_watchedPath).absolutePath();
    if (!folders.contains(folder) && QFileInfo(folder).isDir()) {
        m_watcher->addPath(folder);
    }
}

void DocumentLibrary::scheduleOutsideCheck(int delayMs)
{
    if (!m_watchedPath.isEmpty()) {
        m_outsideCheck->start(delayMs);
    }
}

void DocumentLibrary::reloadFromDisk()
{
    const QString path = m_watchedPath;
    const int position = m_w.text->textCursor().position();
    const int scrolled = m_w.text->verticalScrollBar()->value();
    {
        const LoadingGuard guard(m_loading);
        m_w.text->clear();
        m_w.text->setReadOnly(false);
        m_w.text->setPlaceholderText(QString());
    }
    m_format = TextFormat::document();
    m_doc = DocumentText();
    m_loaded = true;
    loadFile(path);
    m_state.mChange = false;
    QTextCursor cursor = m_w.text->textCursor();
    cursor.setPosition(std::min(position, m_w.text->document()->characterCount() - 1));
    m_w.text->setTextCursor(cursor);
    m_w.text->verticalScrollBar()->setValue(scrolled);
    if (!m_w.webBrowser->isHidden() && m_externalPath.isEmpty() && !isProjectView()) {
        m_w.webBrowser->navigate(QUrl::fromLocalFile(path));
    }
    setStatusFor(isProjectView() && m_externalPath.isEmpty() ? QFileInfo(path).absolutePath() : path);
}

bool DocumentLibrary::checkOutsideChanges(bool beforeSave)
{
    // Another check is waiting for the user's answer; and a path that is no
    // longer the shown document's belongs to a switch still under way.
    if (m_asking || m_watchedPath.isEmpty() || m_watchedPath != documentPath()) {
        return true;
    }
    if (m_busy && !beforeSave) {
        // A running search reads the editor; the change waits for its end.
        scheduleOutsideCheck(500);
        return true;
    }
    DiskStamp now = stampOf(m_watchedPath, false);
    const bool touched = !sameStamp(now, m_seen);
    renewWatch(touched);
    if (!touched) {
        return true;
    }
    if (!now.exists) {
        m_seen = now;
        if (!m_state.mChange) {
            // Saving then writes it again, and switching away asks first.
            m_state.mChange = true;
            m_onlyGone = true;
        }
        return true;
    }
    now = stampOf(m_watchedPath, true);
    if (m_seen.exists && now.hash == m_seen.hash) {
        m_seen = now;
        return true;
    }
    if (!m_state.mChange || m_onlyGone) {
        reloadFromDisk();
        return true;
    }
    if (!beforeSave && m_hasPostponed && sameStamp(now, m_postponed)) {
        return true;
    }
    m_asking = true;
    const Prompts::Answer answer = Prompts::instance().message(
        m_w.window,
        m_state.mFile + u'\n' + QStringLiteral("wurde außerhalb von Quandel Library geändert.") + u'\n' + u'\n' +
            QStringLiteral("Möchten Sie die geänderte Fassung laden und Ihre Änderungen verwerfen ? "),
        caption(), Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
    m_asking = false;
    switch (answer) {
    case Prompts::Answer::Yes:
        reloadFromDisk();
        return true;
    case Prompts::Answer::No:
        // The user knows of this version; the next Save replaces it.
        m_seen = now;
        m_hasPostponed = false;
        return true;
    default:
        m_postponed = now;
        m_hasPostponed = true;
        return false;
    }
}
