#include "EditorDocument.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

// Documents larger than this are not put into the editor: it would take long
// and hold a lot of memory, and the user could not work with them anyway.
constexpr qint64 MaxEditorBytes = 16ll * 1024 * 1024;

// Marks the editor text as set by the program, not typed by the user.
class SettingTextGuard
{
public:
    explicit SettingTextGuard(int &counter) : m_counter(counter) { ++m_counter; }
    ~SettingTextGuard() { --m_counter; }
    SettingTextGuard(const SettingTextGuard &) = delete;
    SettingTextGuard &operator=(const SettingTextGuard &) = delete;

private:
    int &m_counter;
};

} // namespace

QString EditorDocument::editorText(const QPlainTextEdit *editor)
{
    QString text = editor->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void EditorDocument::clear()
{
    {
        const SettingTextGuard guard(m_settingText);
        m_editor->clear();
        m_editor->setReadOnly(false);
        m_editor->setPlaceholderText(QString());
    }
    m_format = TextFormat::document();
    m_doc = DocumentText();
    m_loaded = true;
}

std::optional<QByteArray> EditorDocument::load(const QString &path)
{
    TextFile::ReadResult read = TextFile::read(path, MaxEditorBytes);
    if (!read.ok) {
        showLoadFailure(read.error);
        return std::nullopt;
    }
    m_format = read.content.format;
    m_doc = DocumentText::fromFile(read.content.text);
    const SettingTextGuard guard(m_settingText);
    m_editor->setPlainText(m_doc.editorText);
    // Characters the editor cannot hold as they are (a lone carriage return,
    // control characters of a binary file) would come back changed: such a
    // document is shown, but read-only, so that saving cannot alter it. NUL
    // survives the editor, but only binary files hold it.
    if (editorText(m_editor) != m_doc.editorText || m_doc.editorText.contains(QChar(u'\0'))) {
        m_editor->setReadOnly(true);
        m_loaded = false;
    }
    return std::move(read.bytes);
}

void EditorDocument::reload(const QString &path)
{
    const int position = m_editor->textCursor().position();
    const int scrolled = m_editor->verticalScrollBar()->value();
    clear();
    (void)load(path); // the watch hashes the file itself on a reload
    QTextCursor cursor = m_editor->textCursor();
    cursor.setPosition(std::min(position, m_editor->document()->characterCount() - 1));
    m_editor->setTextCursor(cursor);
    m_editor->verticalScrollBar()->setValue(scrolled);
}

void EditorDocument::showLoadFailure(const QString &reason)
{
    const SettingTextGuard guard(m_settingText);
    m_editor->clear();
    m_editor->setReadOnly(true);
    m_editor->setPlaceholderText(QStringLiteral("Das Dokument kann nicht angezeigt werden. ") + u'\n' + reason);
    m_loaded = false;
}

TextFile::WriteResult EditorDocument::write(const QString &path)
{
    QFile file(path);
    if (file.exists() && !(file.permissions() & QFileDevice::WriteOwner)) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    }
    const TextFile::WriteResult written = TextFile::write(path, m_doc.toFile(editorText(m_editor)), m_format);
    if (written.ok) {
        m_format = written.usedFormat;
    }
    return written;
}
