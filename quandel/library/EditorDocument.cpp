#include "EditorDocument.h"

#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr qint64 MaxEditorBytes = EditorDocument::MaxBytes;

struct LineStats
{
    qsizetype longest = 0;
    // The most characters that any WrapWindowLines lines in a row hold.
    qsizetype densest = 0;
};

// Line lengths in characters, lines ending where the editor starts a new
// one: at LF, and in a text that is not kept as it is also at the other line
// ends the editor knows.
LineStats lineStats(QStringView text, bool keptAsIs)
{
    LineStats stats;
    std::array<qsizetype, EditorDocument::WrapWindowLines> window{};
    qsizetype inWindow = 0;
    size_t slot = 0;
    const auto line = [&](qsizetype length) {
        stats.longest = std::max(stats.longest, length);
        inWindow += length - window[slot];
        window[slot] = length;
        slot = (slot + 1) % window.size();
        stats.densest = std::max(stats.densest, inWindow);
    };
    qsizetype start = 0;
    if (keptAsIs) {
        for (qsizetype end = text.indexOf(u'\n'); end >= 0; end = text.indexOf(u'\n', start)) {
            line(end - start);
            start = end + 1;
        }
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'\n' || !EditorDocument::isKeptAsIs(text.sliced(i, 1))) {
                line(i - start);
                start = i + 1;
            }
        }
    }
    line(text.size() - start);
    return stats;
}

// The ending of a line as read, for a document whose lines end in both CR LF
// and LF. Held as the block's data, which moves with the line through edits;
// the block's state belongs to the colouring of code.
class LineEnd final : public QTextBlockUserData
{
public:
    explicit LineEnd(bool crLf) : crLf(crLf) {}
    const bool crLf;
};

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
        m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
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
    QString fileText = std::move(read.content.text);
    const QList<bool> crLfEnds = lineEndsIfMixed(read.bytes);
    m_mixedLineEnds = !crLfEnds.isEmpty();
    if (m_mixedLineEnds) {
        // Decoding folds CR LF only where the first line ends in it.
        TextFile::foldCrLf(fileText);
    }
    m_doc = DocumentText::fromFile(std::move(fileText));
    // The editor lays a line out whole, again on every key and every paint
    // of it: a line of a few hundred thousand characters holds the window up
    // for a second each time, one of megabytes for half a minute. Such a
    // document is not shown; the file stays as it is.
    const bool keptAsIs = isKeptAsIs(m_doc.editorText);
    const LineStats lines = lineStats(m_doc.editorText, keptAsIs);
    if (const qsizetype longest = lines.longest; longest > MaxLineChars) {
        const QLocale german(QLocale::German, QLocale::Germany);
        showLoadFailure(QStringLiteral("Es hat eine Zeile mit %1 Zeichen; der Editor zeigt Zeilen bis %2 Zeichen, "
                                       "längere würden ihn bei jedem Tastendruck aufhalten. Mit „Öffnen“ (Strg+O) "
                                       "lässt es sich in einem anderen Programm bearbeiten.")
                            .arg(german.toString(longest), german.toString(MaxLineChars)));
        m_doc = DocumentText();
        return std::move(read.bytes);
    }
    const SettingTextGuard guard(m_settingText);
    m_editor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_editor->setLineWrapMode(lines.densest > WrapChars ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    m_editor->setPlainText(m_doc.editorText);
    QTextBlock block = m_editor->document()->begin();
    for (qsizetype line = 0; line < crLfEnds.size() && block.isValid(); ++line, block = block.next()) {
        block.setUserData(new LineEnd(crLfEnds.at(line)));
    }
    // Characters the editor cannot hold as they are (a lone carriage return,
    // control characters of a binary file) would come back changed: such a
    // document is shown, but read-only, so that saving cannot alter it. NUL
    // survives the editor, but only binary files hold it.
    if (m_doc.editorText.contains(QChar(u'\0'))) {
        m_readOnlyReason = QStringLiteral("Es enthält Nullzeichen und ist wohl keine Textdatei.");
    } else if (!keptAsIs && editorText(m_editor) != m_doc.editorText) {
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

bool EditorDocument::isKeptAsIs(QStringView text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u == u'\r' || (u >= 0x2029 && (u == 0x2029 || u == 0xFDD0 || u == 0xFDD1));
    });
}

QList<bool> EditorDocument::lineEndsIfMixed(const QByteArray &bytes)
{
    // CR and LF are the same bytes in both encodings, and no other
    // character's bytes hold them.
    const char *const begin = bytes.constData();
    const char *const end = begin + bytes.size();
    const auto next = [end](const char *from, char c) {
        const void *found = from < end ? std::memchr(from, c, size_t(end - from)) : nullptr;
        return found ? static_cast<const char *>(found) : end;
    };
    for (const char *cr = next(begin, '\r'); cr != end; cr = next(cr + 1, '\r')) {
        if (cr + 1 == end || cr[1] != '\n') {
            return {}; // a lone CR: the editor cannot keep it anyway
        }
    }
    bool anyCrLf = false;
    bool anyLf = false;
    qsizetype lines = 0;
    for (const char *lf = next(begin, '\n'); lf != end; lf = next(lf + 1, '\n')) {
        const bool withCr = lf > begin && lf[-1] == '\r';
        anyCrLf = anyCrLf || withCr;
        anyLf = anyLf || !withCr;
        ++lines;
    }
    if (!anyCrLf || !anyLf) {
        return {};
    }
    QList<bool> crLf;
    crLf.reserve(lines);
    for (const char *lf = next(begin, '\n'); lf != end; lf = next(lf + 1, '\n')) {
        crLf.append(lf > begin && lf[-1] == '\r');
    }
    return crLf;
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
        const auto *end = block.isValid() ? dynamic_cast<const LineEnd *>(block.userData()) : nullptr;
        result.append(!end ? usual : end->crLf ? QStringLiteral("\r\n") : QStringLiteral("\n"));
        if (block.isValid()) {
            block = block.next();
        }
    }
    return result;
}
