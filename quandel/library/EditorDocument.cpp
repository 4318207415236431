#include "EditorDocument.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
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
    m_mixedLineEnds = false;
    m_readOnlyReason.clear();
}

std::optional<QByteArray> EditorDocument::load(const QString &path)
{
    TextFile::ReadResult read = TextFile::read(path, MaxEditorBytes);
    if (!read.ok) {
        showLoadFailure(read.error);
        return std::nullopt;
    }
    m_format = read.content.format;
    // A document edited on two systems ends some lines in CR LF and others
    // in LF: each line keeps its own ending through a save.
    QString fileText = read.content.text;
    TextFormat rawFormat;
    QString rawText = TextFile::decodeBytes(read.bytes, &rawFormat);
    const QList<bool> crLfEnds = lineEndsIfMixed(rawText);
    m_mixedLineEnds = !crLfEnds.isEmpty();
    if (m_mixedLineEnds) {
        fileText = rawText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    }
    m_doc = DocumentText::fromFile(fileText);
    const SettingTextGuard guard(m_settingText);
    m_editor->setPlainText(m_doc.editorText);
    for (qsizetype line = 0; line < crLfEnds.size(); ++line) {
        QTextBlock block = m_editor->document()->findBlockByNumber(int(line));
        if (block.isValid()) {
            block.setUserState(crLfEnds.at(line) ? 1 : 0);
        }
    }
    // Characters the editor cannot hold as they are (a lone carriage return,
    // control characters of a binary file) would come back changed: such a
    // document is shown, but read-only, so that saving cannot alter it. NUL
    // survives the editor, but only binary files hold it.
    if (m_doc.editorText.contains(QChar(u'\0'))) {
        m_readOnlyReason = QStringLiteral("Es enthält Nullzeichen und ist wohl keine Textdatei.");
    } else if (editorText(m_editor) != m_doc.editorText) {
        m_readOnlyReason = QStringLiteral("Es enthält Wagenrücklaufzeichen (CR) ohne Zeilenvorschub, die der "
                                          "Editor nicht unverändert halten kann.");
    }
    if (!m_readOnlyReason.isEmpty()) {
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
    // A link to a device, a pipe or a folder is never written through, and
    // its mode is left alone.
    if (const QString refused = TextFile::writeRefusal(path); !refused.isEmpty()) {
        TextFile::WriteResult result;
        result.error = refused;
        return result;
    }
    // A read-only document is made writable first, as saving asks for; when
    // the write fails all the same, it is read-only again. Only the mode
    // bits are kept: the "user" flags say what this process may do, and
    // setting them would set the owner's bits.
    QFile file(path);
    const QFileDevice::Permissions before =
        file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    const bool madeWritable = file.exists() && !(before & QFileDevice::WriteOwner) &&
                              file.setPermissions(before | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    const QString fileText = m_doc.toFile(editorText(m_editor));
    TextFile::WriteResult written;
    if (!m_mixedLineEnds) {
        written = TextFile::write(path, fileText, m_format);
    } else {
        // Each line keeps its own ending: the text carries them all.
        TextFormat asGiven = m_format;
        asGiven.lineEnd = TextFormat::LineEnd::Lf;
        written = TextFile::write(path, withLineEnds(fileText), asGiven);
        written.usedFormat.lineEnd = m_format.lineEnd;
    }
    if (written.ok) {
        m_format = written.usedFormat;
    } else if (madeWritable) {
        file.setPermissions(before);
    }
    return written;
}

QList<bool> EditorDocument::lineEndsIfMixed(const QString &rawText)
{
    QList<bool> crLf;
    bool anyCrLf = false;
    bool anyLf = false;
    for (qsizetype i = 0; i < rawText.size(); ++i) {
        if (rawText.at(i) == u'\r' && (i + 1 >= rawText.size() || rawText.at(i + 1) != u'\n')) {
            return {}; // a lone CR: the editor cannot keep it anyway
        }
        if (rawText.at(i) == u'\n') {
            const bool withCr = i > 0 && rawText.at(i - 1) == u'\r';
            crLf.append(withCr);
            anyCrLf = anyCrLf || withCr;
            anyLf = anyLf || !withCr;
        }
    }
    return anyCrLf && anyLf ? crLf : QList<bool>();
}

QString EditorDocument::withLineEnds(const QString &fileText) const
{
    // The n-th line end of the text ends the editor's n-th line; lines the
    // user added take the ending of the document's first line.
    const QString usual = m_format.lineEnd == TextFormat::LineEnd::CrLf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString result;
    result.reserve(fileText.size() + fileText.size() / 16);
    QTextBlock block = m_editor->document()->begin();
    for (const QChar c : fileText) {
        if (c != u'\n') {
            result.append(c);
            continue;
        }
        const int state = block.isValid() ? block.userState() : -1;
        result.append(state == 1 ? QStringLiteral("\r\n") : state == 0 ? QStringLiteral("\n") : usual);
        if (block.isValid()) {
            block = block.next();
        }
    }
    return result;
}
