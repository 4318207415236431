#include "DocumentRecovery.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "DocumentWatch.h"
#include "Recovery.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTimer>

DocumentRecovery::DocumentRecovery(DocumentLibrary &library) : QObject(&library), m_library(library)
{
    m_keeper = new RecoveryKeeper(QString(), this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { update(); });
    connect(m_library.m_w.text, &QPlainTextEdit::textChanged, this, [this] {
        m_dirty = true;
        if (m_library.m_editorDoc.isSettingText()) {
            // Another document, or the same one read again: a recovery file
            // of discarded changes goes at once (once the switch is done).
            QTimer::singleShot(0, this, [this] {
                if (!m_library.m_state.mChange || !m_library.m_editorDoc.isLoaded()) {
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
            if (old == m_library.m_w.text) {
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
    const EditingState &state = m_library.m_state;
    m_timer->stop();
    if (!state.mChange || !m_library.m_editorDoc.isLoaded()) {
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
    record.kind = m_library.m_kind;
    record.text = DocumentLibrary::editorText(m_library.m_w.text);
    // The version on disk the text started from, as read or saved here.
    const DocumentWatch &watch = *m_library.m_watch;
    if (!record.path.isEmpty() && watch.watchedPath() == record.path) {
        record.diskExists = watch.seenExists();
        record.diskHash = watch.seenHash();
    }
    record.written = QDateTime::currentDateTime();
    m_keeper->keep(std::move(record));
    m_kept = true;
    m_dirty = false;
}

bool DocumentRecovery::restore(const RecoveryRecord &record)
{
    if (!record.path.isEmpty() && QFileInfo(record.path).isFile()) {
        if (!m_library.showExternalDocument(record.path, record.name)) {
            return false;
        }
    } else {
        // Untitled, or removed since: the text comes back as a new document,
        // and saving asks for a name.
        m_library.newDocument(record.kind >= 0 && record.kind < DocumentKinds::Count ? record.kind : 0);
        if (m_library.m_state.mChange) {
            return false;
        }
    }
    if (!m_library.m_editorDoc.isLoaded()) {
        return false;
    }
    m_library.m_w.text->setPlainText(record.text);
    m_library.m_state.mChange = true;
    m_dirty = true;
    update();
    return true;
}

void DocumentRecovery::offerLeftOver()
{
    std::vector<LeftRecovery> left = m_keeper->claimLeftOver();
    bool restored = false;
    for (LeftRecovery &found : left) {
        if (restored) {
            found.keep();
            continue;
        }
        const RecoveryRecord &record = found.record;
        const QString name = record.name.isEmpty() ? EditingState::untitledName() : record.name;
        QString text = QStringLiteral("Beim letzten Mal wurde Quandel Library beendet, ohne die Änderungen an „%1“ "
                                      "zu speichern (Stand: %2).")
                           .arg(name, QLocale().toString(record.written.toLocalTime(), QLocale::ShortFormat));
        if (found.changedOnDisk()) {
            text += u'\n' + QStringLiteral("Das Dokument wurde seitdem außerhalb von Quandel Library geändert.");
        }
        text += u'\n' + QString(u'\n') + QStringLiteral("Möchten Sie den ungesicherten Text wiederherstellen ? ") +
                u'\n' + QString(u'\n') + QStringLiteral("Ja: Der Text erscheint als ungesicherte Änderung.") + u'\n' +
                QStringLiteral("Nein: Der Text wird verworfen.") + u'\n' +
                QStringLiteral("Abbrechen: Der Text wird beim nächsten Start wieder angeboten.");
        const Prompts::Answer answer =
            Prompts::instance().message(m_library.m_w.window, text, QStringLiteral(" ") + m_library.caption(),
                                        Prompts::Buttons::YesNoCancel, Prompts::Icon::Exclamation);
        if (answer == Prompts::Answer::Yes && restore(record)) {
            // This program's own recovery file holds the text by now.
            m_keeper->waitForDone();
            found.remove();
            restored = true;
        } else if (answer == Prompts::Answer::No) {
            found.remove();
        } else {
            found.keep();
        }
    }
}
