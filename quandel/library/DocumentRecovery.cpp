#include "DocumentRecovery.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentWatch.h"
#include "EditorDocument.h"
#include "GermanText.h"
#include "Recovery.h"
#include "ShownDocument.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The answers of the question about several left texts.
enum AllChoice
{
    Later = QDialog::Rejected,
    RestoreAll = 2,
    OneByOne = 3,
    DiscardAll = 4
};

// How many new documents a summary names before it counts the rest.
constexpr int MaxNamed = 10;

QString megabytes(qint64 bytes)
{
    return QLocale(QLocale::German).toString(double(bytes) / (1024.0 * 1024.0), 'f', 1);
}

// A name a recovery file gives, made fit for a file name of the folder.
QString safeFileName(QString name)
{
    for (QChar &c : name) {
        if (c == u'/' || c.unicode() < 0x20 || c == QChar(0x7f)) {
            c = u'_';
        }
    }
    name = name.trimmed().left(80);
    return name.isEmpty() || name == u"." || name == u".." ? EditingState::untitledName() : name;
}

} // namespace

DocumentRecovery::DocumentRecovery(DocumentLibrary &library, ShownDocument &shown)
    : QObject(&library), m_library(library), m_shown(shown)
{
    m_keeper = new RecoveryKeeper(QString(), this);
    connect(m_keeper, &RecoveryKeeper::writeFailed, this, &DocumentRecovery::writeFailed);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { update(); });
    connect(m_shown.editor(), &QPlainTextEdit::textChanged, this, [this] {
        m_dirty = true;
        if (m_shown.editorDocument().isSettingText()) {
            // Another document, or the same one read again: a recovery file
            // of discarded changes goes at once (once the switch is done).
            QTimer::singleShot(0, this, [this] {
                if (!m_library.state().mChange || !m_shown.editorDocument().isLoaded()) {
                    update();
                }
            });
        } else if (!m_timer->isActive()) {
            m_timer->start(DocumentLibrary::RecoveryDelayMs);
        }
    });
    // The text is kept whenever the editor or the program loses the focus.
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *) {
            if (old == m_shown.editor()) {
                update();
            }
        });
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState appState) {
            if (appState != Qt::ApplicationActive) {
                update();
            }
        });
    }
}

void DocumentRecovery::update()
{
    const EditingState &state = m_library.state();
    m_timer->stop();
    if (!state.mChange || !m_shown.editorDocument().isLoaded()) {
        if (m_kept) {
            m_keeper->discard();
            m_kept = false;
        }
        m_dirty = false;
        return;
    }
    if (!m_dirty && m_kept) {
        return;
    }
    RecoveryRecord record;
    record.path = m_library.documentPath();
    record.name = state.mFile;
    record.kind = m_library.listedKind();
    record.text = DocumentLibrary::editorText(m_shown.editor());
    // The version on disk the text started from, as read or saved here.
    const DocumentWatch &watch = m_shown.documentWatch();
    if (!record.path.isEmpty() && watch.watchedPath() == record.path) {
        record.diskExists = watch.seenExists();
        record.diskHash = watch.seenHash();
    }
    record.written = QDateTime::currentDateTime();
    m_keeper->keep(std::move(record));
    m_kept = true;
    m_dirty = false;
}

bool DocumentRecovery::writeNow()
{
    if (!m_keeper->lastWriteOk()) {
        m_dirty = true;
    }
    update();
    m_keeper->waitForDone();
    return !m_kept || m_keeper->lastWriteOk();
}

void DocumentRecovery::writeFailed(const QString &reason)
{
    // Written again at the next interval, changed or not.
    m_dirty = true;
    if (m_kept && !m_timer->isActive()) {
        m_timer->start(DocumentLibrary::RecoveryDelayMs);
    }
    if (m_toldFailed) {
        return;
    }
    m_toldFailed = true;
    m_library.setStatusText(QStringLiteral(" Ungesicherter Text ist nicht vor einem Absturz geschützt"));
    Prompts::instance().message(
        m_shown.window(),
        QStringLiteral("Ihr ungesicherter Text ist zurzeit nicht vor einem Absturz geschützt.") + u'\n' + reason +
            u'\n' + u'\n' +
            QStringLiteral("Quandel Library versucht es in Abständen weiter. Speichern Sie Ihre Änderungen, sobald "
                           "es geht."),
        QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::Ok, Prompts::Icon::Exclamation);
}

QString DocumentRecovery::trustedPath(const RecoveryRecord &record) const
{
    if (record.path.isEmpty() || !QDir::isAbsolutePath(record.path)) {
        return {};
    }
    QString path = QDir::cleanPath(record.path);
    const QString folder = QDir::cleanPath(m_library.folder());
    if (!m_library.folder().isEmpty() && path.startsWith(folder + u'/')) {
        return path;
    }
    return m_isFavourite && m_isFavourite(path) ? path : QString();
}

QString DocumentRecovery::describe(const LeftRecovery &found) const
{
    const RecoveryRecord &record = found.record;
    const QString name = record.name.isEmpty() ? EditingState::untitledName() : record.name;
    const QDateTime written =
        record.written.isValid() ? record.written : QFileInfo(found.file).fileTime(QFileDevice::FileModificationTime);
    QString text = QStringLiteral("Beim letzten Mal wurde Quandel Library beendet, ohne die Änderungen an „%1“ "
                                  "zu speichern (Stand: %2).")
                       .arg(name, germanDateTime(written.toLocalTime()));
    text +=
        u'\n' + QStringLiteral("Datei: ") +
        (record.path.isEmpty() ? QStringLiteral("keine, ein neues Dokument") : QDir::toNativeSeparators(record.path));
    if (!record.path.isEmpty() && trustedPath(record).isEmpty()) {
        text += u'\n' + QStringLiteral("Sie liegt weder im Dokumentordner, noch ist sie ein Favorit: Der Text "
                                       "kommt als neues Dokument zurück, nie in diese Datei.");
    } else if (found.changedOnDisk()) {
        text += u'\n' + QStringLiteral("Das Dokument wurde seitdem außerhalb von Quandel Library geändert.");
    }
    return text;
}

DocumentRecovery::Decision DocumentRecovery::ask(const LeftRecovery &found, bool editorTaken)
{
    const QString text =
        describe(found) + u'\n' + QString(u'\n') +
        QStringLiteral("Möchten Sie den ungesicherten Text wiederherstellen ? ") + u'\n' + QString(u'\n') +
        (editorTaken ? QStringLiteral("Ja: Der Text wird als neues Dokument im Dokumentordner gespeichert.")
                     : QStringLiteral("Ja: Der Text erscheint als ungesicherte Änderung.")) +
        u'\n' + QStringLiteral("Nein: Der Text wird verworfen.") + u'\n' +
        QStringLiteral("Abbrechen: Der Text wird beim nächsten Start wieder angeboten.");
    switch (Prompts::instance().message(m_shown.window(), text, QStringLiteral(" ") + m_library.caption(),
                                        Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation)) {
    case Prompts::Answer::Yes:
        return Decision::Restore;
    case Prompts::Answer::No:
        return Decision::Discard;
    default:
        return Decision::Keep;
    }
}

DocumentRecovery::Decision DocumentRecovery::askAboutLargeText(const LeftRecovery &found)
{
    const QString title = QStringLiteral(" ") + m_library.caption();
    const QString text =
        describe(found) + u'\n' +
        QStringLiteral("Der Text ist mit %1 MB größer, als der Editor Dokumente öffnet (%2 MB), und wird darum "
                       "nicht geladen.")
            .arg(megabytes(found.textBytes), megabytes(EditorDocument::MaxBytes)) +
        u'\n' + QString(u'\n') + QStringLiteral("Möchten Sie ihn als Datei an anderer Stelle speichern ? ") + u'\n' +
        QString(u'\n') + QStringLiteral("Ja: Sie wählen, wohin der Text gespeichert wird.") + u'\n' +
        QStringLiteral("Nein: Der Text wird verworfen.") + u'\n' +
        QStringLiteral("Abbrechen: Der Text wird beim nächsten Start wieder angeboten.");
    const Prompts::Answer answer = Prompts::instance().message(
        m_shown.window(), text, title, Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
    if (answer == Prompts::Answer::No) {
        return Decision::Discard;
    }
    if (answer != Prompts::Answer::Yes) {
        return Decision::Keep;
    }
    const QString name = safeFileName(found.record.name.isEmpty() ? EditingState::untitledName() : found.record.name);
    Prompts::SaveRequest request;
    request.title = QStringLiteral("Ungesicherten Text speichern unter");
    request.proposedPath = QDir::homePath() + u'/' + name + QStringLiteral(".txt");
    request.filters = {QStringLiteral("Textdateien (*.txt)"), QStringLiteral("Alle Dateien (*)")};
    const QString target = Prompts::instance().saveFileName(m_shown.window(), request);
    if (target.isEmpty()) {
        return Decision::Keep;
    }
    if (const QString error = found.saveTextAs(target); !error.isEmpty()) {
        Prompts::instance().message(m_shown.window(),
                                    QStringLiteral("Der ungesicherte Text konnte nicht nach „%1“ gespeichert werden.")
                                            .arg(QDir::toNativeSeparators(target)) +
                                        u'\n' + error + u'\n' +
                                        QStringLiteral("Er wird beim nächsten Start wieder angeboten."),
                                    title, Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return Decision::Keep;
    }
    return Decision::Saved;
}

int DocumentRecovery::askAboutAll(const std::vector<LeftRecovery> &left)
{
    QDialog dialog(m_shown.window());
    dialog.setObjectName(QStringLiteral("ungesicherteTexte"));
    dialog.setWindowTitle(QStringLiteral(" ") + m_library.caption());
    auto *layout = new QVBoxLayout(&dialog);
    auto *intro = new QLabel(QStringLiteral("Beim letzten Mal wurde Quandel Library beendet, ohne diese %1 Texte zu "
                                            "speichern:")
                                 .arg(left.size()),
                             &dialog);
    intro->setWordWrap(true);
    intro->setAccessibleName(intro->text());
    layout->addWidget(intro);
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("texte"));
    list->setAccessibleName(QStringLiteral("Ungesicherte Texte"));
    for (const LeftRecovery &found : left) {
        const RecoveryRecord &record = found.record;
        QString line =
            (record.name.isEmpty() ? EditingState::untitledName() : record.name) + QStringLiteral(" – ") +
            (record.path.isEmpty() ? QStringLiteral("neues Dokument") : QDir::toNativeSeparators(record.path)) +
            QStringLiteral(" – Stand: ") +
            germanDateTime((record.written.isValid()
                                ? record.written
                                : QFileInfo(found.file).fileTime(QFileDevice::FileModificationTime))
                               .toLocalTime());
        if (!found.fitsEditor()) {
            line += QStringLiteral(" – %1 MB, zu groß für den Editor").arg(megabytes(found.textBytes));
        } else if (!record.path.isEmpty() && trustedPath(record).isEmpty()) {
            line += QStringLiteral(" – außerhalb des Dokumentordners, kommt als neues Dokument zurück");
        }
        auto *item = new QListWidgetItem(line, list);
        item->setToolTip(line);
    }
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto *hint = new QLabel(QStringLiteral("Alle wiederherstellen: Der neueste Text erscheint als ungesicherte "
                                           "Änderung, jeder weitere wird als neues Dokument im Dokumentordner "
                                           "gespeichert. Texte, die zu groß für den Editor sind, können Sie an "
                                           "anderer Stelle speichern."),
                            &dialog);
    hint->setWordWrap(true);
    hint->setAccessibleName(hint->text());
    layout->addWidget(hint);
    auto *buttons = new QDialogButtonBox(&dialog);
    const std::pair<const char *, QString> choices[] = {
        {"alleWiederherstellen", QStringLiteral("Alle &wiederherstellen")},
        {"einzeln", QStringLiteral("&Einzeln entscheiden ...")},
        {"alleVerwerfen", QStringLiteral("Alle &verwerfen")},
        {"spaeter", QStringLiteral("&Später")}};
    const int codes[] = {RestoreAll, OneByOne, DiscardAll, Later};
    for (size_t i = 0; i < std::size(choices); ++i) {
        auto *button = new QPushButton(choices[i].second, &dialog);
        button->setObjectName(QString::fromLatin1(choices[i].first));
        button->setAccessibleName(QString(choices[i].second).remove(u'&').remove(QStringLiteral(" ...")));
        buttons->addButton(button, QDialogButtonBox::ActionRole);
        const int code = codes[i];
        connect(button, &QPushButton::clicked, &dialog, [&dialog, code] { dialog.done(code); });
        if (code == RestoreAll) {
            button->setDefault(true);
        }
    }
    layout->addWidget(buttons);
    // Wide enough for whole paths where the screen has room.
    if (const QScreen *screen = m_shown.window()->screen()) {
        dialog.resize(qMin(screen->availableGeometry().width() * 9 / 10, 900), dialog.sizeHint().height());
    }
    list->setFocus();
    return Prompts::instance().execDialog(dialog);
}

void DocumentRecovery::offerLeftOver()
{
    std::vector<LeftRecovery> left = m_keeper->claimLeftOver();
    if (left.empty()) {
        return;
    }
    std::vector<Decision> decisions(left.size(), Decision::Keep);
    const int choice = left.size() == 1 ? OneByOne : askAboutAll(left);
    if (choice == DiscardAll) {
        const Prompts::Answer sure = Prompts::instance().message(
            m_shown.window(),
            QStringLiteral("Möchten Sie wirklich alle %1 ungesicherten Texte verwerfen ? ").arg(left.size()) + u'\n' +
                QStringLiteral("Sie lassen sich danach nicht mehr wiederherstellen."),
            QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::YesNo, Prompts::Icon::Exclamation);
        if (sure == Prompts::Answer::Yes) {
            decisions.assign(left.size(), Decision::Discard);
        }
    } else if (choice == RestoreAll || choice == OneByOne) {
        bool editorTaken = false;
        for (size_t i = 0; i < left.size(); ++i) {
            if (!left[i].fitsEditor()) {
                decisions[i] = askAboutLargeText(left[i]);
                continue;
            }
            decisions[i] = choice == RestoreAll ? Decision::Restore : ask(left[i], editorTaken);
            editorTaken = editorTaken || decisions[i] == Decision::Restore;
        }
    }
    carryOut(left, decisions);
}

namespace {

bool hasLineTooLongForTheEditor(const LeftRecovery &found)
{
    const std::optional<QString> text = found.readText(EditorDocument::MaxBytes);
    if (!text) {
        return false;
    }
    qsizetype start = 0;
    while (start <= text->size()) {
        qsizetype end = text->indexOf(u'\n', start);
        if (end < 0) {
            end = text->size();
        }
        if (end - start > EditorDocument::MaxLineChars) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

void DocumentRecovery::carryOut(std::vector<LeftRecovery> &left, const std::vector<Decision> &decisions)
{
    // The first text to restore goes into the editor, every further one
    // into a new document, written before the list is shown afresh.
    size_t editor = left.size();
    QStringList written;
    QStringList failed;
    for (size_t i = 0; i < left.size(); ++i) {
        switch (decisions[i]) {
        case Decision::Keep:
            left[i].keep();
            break;
        case Decision::Discard:
        case Decision::Saved:
            left[i].remove();
            break;
        case Decision::Restore:
            if (editor == left.size()) {
                editor = i;
                break;
            }
            QString error;
            if (const QString name = saveAsNewDocument(left[i], &error); !name.isEmpty()) {
                written.append(name);
                left[i].remove();
            } else {
                failed.append(error);
                left[i].keep();
            }
            break;
        }
    }
    // A text with a line longer than the editor shows would hold the window
    // up on every key: it is kept as a new document instead.
    if (editor < left.size() && hasLineTooLongForTheEditor(left[editor])) {
        QString error;
        if (const QString name = saveAsNewDocument(left[editor], &error); !name.isEmpty()) {
            written.append(name + QStringLiteral(" (eine Zeile ist zu lang für den Editor)"));
            left[editor].remove();
        } else {
            failed.append(error);
            left[editor].keep();
        }
        editor = left.size();
    }
    if (!written.isEmpty()) {
        m_library.refresh();
    }
    if (editor < left.size()) {
        if (restore(left[editor])) {
            // This program's own recovery file holds the text by now.
            m_keeper->waitForDone();
            left[editor].remove();
        } else {
            failed.append(
                QStringLiteral("„%1“ lässt sich nicht in den Editor laden.")
                    .arg(left[editor].record.name.isEmpty() ? EditingState::untitledName() : left[editor].record.name));
            left[editor].keep();
        }
    }
    if (written.isEmpty() && failed.isEmpty()) {
        return;
    }
    QString text;
    if (!written.isEmpty()) {
        text = (written.size() == 1
                    ? QStringLiteral("Dieser wiederhergestellte Text ist als neues Dokument im Dokumentordner "
                                     "gespeichert:")
                    : QStringLiteral("Diese wiederhergestellten Texte sind als neue Dokumente im Dokumentordner "
                                     "gespeichert:")) +
               u'\n' + QStringList(written.mid(0, MaxNamed)).join(u'\n');
        if (written.size() > MaxNamed) {
            text += u'\n' + QStringLiteral("und %1 weitere").arg(written.size() - MaxNamed);
        }
    }
    if (!failed.isEmpty()) {
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
                (failed.size() == 1 ? QStringLiteral("Ein Text ließ sich nicht wiederherstellen; er wird beim "
                                                     "nächsten Start wieder angeboten:")
                                    : QStringLiteral("%1 Texte ließen sich nicht wiederherstellen; sie werden beim "
                                                     "nächsten Start wieder angeboten. Zum Beispiel:")
                                          .arg(failed.size())) +
                u'\n' + failed.first();
    }
    Prompts::instance().message(m_shown.window(), text, QStringLiteral(" ") + m_library.caption(), Prompts::Buttons::Ok,
                                failed.isEmpty() ? Prompts::Icon::Information : Prompts::Icon::Exclamation);
}

QString DocumentRecovery::saveAsNewDocument(const LeftRecovery &found, QString *error)
{
    const RecoveryRecord &record = found.record;
    const std::optional<QString> text = found.readText(EditorDocument::MaxBytes);
    if (!text) {
        *error =
            QStringLiteral("Die Datei „%1“ lässt sich nicht mehr lesen.").arg(QDir::toNativeSeparators(found.file));
        return {};
    }
    const int kind = DocumentKinds::isValid(record.kind) ? record.kind : DocumentKinds::HelpDocuments;
    const bool project = kind == DocumentKinds::ProjectFolders;
    const QString own = trustedPath(record);
    QString base = record.name.isEmpty() ? EditingState::untitledName() : record.name;
    QString extension = project ? QString() : DocumentKinds::pattern(kind).section(u';', 0, 0).mid(1);
    if (!own.isEmpty() && !project) {
        const QFileInfo info(own);
        base = info.completeBaseName();
        extension = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    }
    base = safeFileName(base);
    const QDir folder(m_library.folder());
    QString name;
    for (int n = 1; n <= 1000 && name.isEmpty(); ++n) {
        const QString candidate =
            base +
            (n == 1 ? QStringLiteral(" (wiederhergestellt)") : QStringLiteral(" (wiederhergestellt %1)").arg(n)) +
            extension;
        if (!QFileInfo::exists(folder.filePath(candidate))) {
            name = candidate;
        }
    }
    if (name.isEmpty()) {
        *error = QStringLiteral("Für „%1“ ist kein freier Name zu finden.").arg(base);
        return {};
    }
    QString file = folder.filePath(name);
    if (project) {
        if (!folder.mkdir(name)) {
            *error = QStringLiteral("Der Ordner „%1“ lässt sich nicht anlegen.").arg(QDir::toNativeSeparators(file));
            return {};
        }
        file = DocumentKinds::projectFilePath(file);
    }
    const TextFile::WriteResult result = TextFile::write(file, *text, TextFormat::document());
    if (!result.ok) {
        if (project) {
            folder.rmdir(name);
        }
        *error = QDir::toNativeSeparators(file) + QStringLiteral(": ") + result.error;
        return {};
    }
    return name;
}

bool DocumentRecovery::selectEntryOf(const QString &path, int kind)
{
    const QFileInfo info(path);
    const QFileInfo folder(m_library.folder());
    int view = -1;
    QString entry;
    if (QFileInfo(info.path()) == folder) {
        // The view whose pattern takes the file, the one it was edited in
        // first.
        for (const int candidate : {kind, 0, 1, 3}) {
            if (DocumentKinds::isValid(candidate) && candidate != DocumentKinds::ProjectFolders &&
                QDir::match(DocumentKinds::pattern(candidate).split(u';'), info.fileName())) {
                view = candidate;
                break;
            }
        }
        entry = info.fileName();
    } else if (QFileInfo(QFileInfo(info.path()).path()) == folder &&
               info.fileName().compare(DocumentKinds::projectFileName(), Qt::CaseInsensitive) == 0) {
        view = DocumentKinds::ProjectFolders;
        entry = QFileInfo(info.path()).fileName();
    }
    if (view < 0) {
        return false;
    }
    if (m_library.listedKind() != view) {
        m_library.selectKind(view);
        if (m_library.listedKind() != view) {
            return false;
        }
    }
    int row = -1;
    if (view == DocumentKinds::ProjectFolders) {
        row = int(m_library.entryTexts().indexOf(entry));
    } else {
        row = int(m_library.files().indexOf(entry));
    }
    if (row < 0 || row >= m_library.entryCount()) {
        return false;
    }
    m_shown.selectEntry(row);
    return QFileInfo(m_library.documentPath()) == info && m_library.state().mIndex == row;
}

bool DocumentRecovery::restore(const LeftRecovery &found)
{
    const std::optional<QString> text = found.readText(EditorDocument::MaxBytes);
    if (!text) {
        return false;
    }
    const RecoveryRecord &record = found.record;
    const QString path = trustedPath(record);
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        // As after a normal load: the list entry of a document of the
        // folder stays selected; a favourite of another folder has none.
        if (!selectEntryOf(path, record.kind) && !m_library.showExternalDocument(path, record.name)) {
            return false;
        }
    } else {
        // Untitled, removed since, or a file that is none of this library's
        // business: the text comes back as a new document, and saving asks
        // for a name.
        m_library.newDocument(DocumentKinds::isValid(record.kind) ? record.kind : 0);
        if (m_library.state().mChange) {
            return false;
        }
    }
    if (!m_shown.editorDocument().isLoaded()) {
        return false;
    }
    m_shown.editor()->setPlainText(*text);
    m_library.state().mChange = true;
    m_dirty = true;
    update();
    return true;
}
