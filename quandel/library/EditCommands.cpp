#include "EditCommands.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

namespace {

// The selected text with "\n" line ends. The editors' own copy() would turn
// no-break spaces into plain blanks, and German documents are full of them.
QString selectedText(const QTextCursor &cursor)
{
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

// Text copied from some programs comes with CR LF; a CR left in the editor
// would be written back as a line end of its own.
QString clipboardText()
{
    QString text = QGuiApplication::clipboard()->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

void putOnClipboard(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

QTextCursor cursorOf(QWidget *widget)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        return plain->textCursor();
    }
    if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
        return rich->textCursor();
    }
    return {};
}

bool isReadOnly(QWidget *widget)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        return plain->isReadOnly();
    }
    if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
        return rich->isReadOnly();
    }
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        return line->isReadOnly();
    }
    return true;
}

void setCursorOf(QWidget *widget, const QTextCursor &cursor)
{
    if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        plain->setTextCursor(cursor);
        plain->ensureCursorVisible();
    } else if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
        rich->setTextCursor(cursor);
        rich->ensureCursorVisible();
    }
}

} // namespace

EditCommands::EditCommands(DocumentLibrary *library, QWidget *window, QObject *parent)
    : QObject(parent), m_library(library), m_window(window)
{
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && now->window() == m_window && !qobject_cast<QMenuBar *>(now)) {
            m_lastFocus = now;
        }
    });
}

QWidget *EditCommands::target() const
{
    QWidget *focused = m_window->focusWidget();
    if (!focused || qobject_cast<QMenuBar *>(focused)) {
        return m_lastFocus;
    }
    return focused;
}

void EditCommands::markChanged()
{
    m_library->state().mChange = true;
}

void EditCommands::copy()
{
    QWidget *widget = target();
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        // A password box keeps its secret.
        putOnClipboard(line->echoMode() == QLineEdit::Normal ? line->selectedText() : QString());
    } else if (qobject_cast<QPlainTextEdit *>(widget) || qobject_cast<QTextEdit *>(widget)) {
        putOnClipboard(selectedText(cursorOf(widget)));
    } else if (auto *list = qobject_cast<QListWidget *>(widget)) {
        const QListWidgetItem *item = list->currentItem();
        putOnClipboard(item ? DocumentKinds::documentName(item->text()) : QString());
    } else {
        QGuiApplication::clipboard()->clear();
    }
}

void EditCommands::cut()
{
    QWidget *widget = target();
    if (!qobject_cast<QLineEdit *>(widget) && cursorOf(widget).isNull()) {
        return;
    }
    copy();
    remove();
}

void EditCommands::remove()
{
    QWidget *widget = target();
    if (isReadOnly(widget)) {
        return;
    }
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        // Only the selection goes; without one, nothing does.
        line->insert(QString());
    } else {
        QTextCursor cursor = cursorOf(widget);
        cursor.removeSelectedText();
        setCursorOf(widget, cursor);
    }
    markChanged();
}

void EditCommands::paste()
{
    QWidget *widget = target();
    if (isReadOnly(widget)) {
        return;
    }
    const QString text = clipboardText();
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        line->insert(text);
    } else {
        QTextCursor cursor = cursorOf(widget);
        cursor.insertText(text);
        setCursorOf(widget, cursor);
    }
    markChanged();
}

void EditCommands::selectAll()
{
    QWidget *widget = target();
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        line->selectAll();
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        plain->selectAll();
    } else if (auto *rich = qobject_cast<QTextEdit *>(widget)) {
        rich->selectAll();
    } else {
        return;
    }
    widget->setFocus();
}
