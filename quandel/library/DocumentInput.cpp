#include "DocumentInput.h"

#include "DocumentKinds.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>

DocumentInput::DocumentInput(const DocumentWidgets &widgets, DocumentLibrary &library)
    : QObject(&library), m_w(widgets), m_library(library)
{
    m_w.text->installEventFilter(this);
    m_w.dateien->installEventFilter(this);
    m_listViewport = m_w.dateien->viewport();
    m_listViewport->installEventFilter(this);
    if (m_w.wordSearch) {
        m_w.wordSearch->setText(QStringLiteral("DIREKTEINGABE ?"));
    }
}

bool DocumentInput::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_w.text) {
        if (event->type() == QEvent::FocusIn) {
            m_library.state().mFocusText = true;
        } else if (event->type() == QEvent::FocusOut) {
            // An opening menu, by mouse or by Alt and its letter, takes the
            // focus only for as long as it is open: Paste in that very menu
            // still acts on the editor.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) {
                m_library.state().mFocusText = false;
            }
        }
    }
    if ((watched == m_w.text || watched == m_w.dateien) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Q && key->modifiers() == Qt::AltModifier) {
            Q_EMIT m_library.exitRequested();
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
        m_library.toggleWebView();
    }
    return QObject::eventFilter(watched, event);
}
