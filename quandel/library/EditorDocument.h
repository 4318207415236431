#pragma once

#include "DocumentText.h"
#include "TextFile.h"

#include <QList>

#include <optional>

class QPlainTextEdit;

// The shown document's text in the editor: how its file was read, so that it
// is written back alike, and whether the editor holds it as it is.
class EditorDocument final
{
public:
    // Documents larger than this are not put into the editor: it would take
    // long and hold a lot of memory, and the user could not work with them
    // anyway.
    static constexpr qint64 MaxBytes = 16ll * 1024 * 1024;
    // The longest line the editor shows: every key in a line, and every
    // paint of it, costs the editor time in proportion to its length.
    static constexpr qsizetype MaxLineChars = 20000;
    // Lines that are long as well as many (more than WrapChars characters in
    // any WrapWindowLines lines in a row) are wrapped at the editor's width,
    // anywhere if need be: unwrapped, each view of them would lay out all
    // those characters.
    static constexpr qsizetype WrapChars = 20000;
    static constexpr int WrapWindowLines = 50;

    explicit EditorDocument(QPlainTextEdit *editor) : m_editor(editor) {}
    EditorDocument(const EditorDocument &) = delete;
    EditorDocument &operator=(const EditorDocument &) = delete;

    // An empty, writable editor for a new document.
    void clear();
    // Puts the file's text into the editor. A file that cannot be read is
    // shown as a note instead, read-only, and never saved over.
    // Returns the bytes read, or nothing when the file could not be read.
    std::optional<QByteArray> load(const QString &path);
    // Reads the file again, keeping the cursor and the scroll position.
    void reload(const QString &path);
    // Writes the editor text to path in the document's format; a read-only
    // file is made writable first, as saving asks for.
    TextFile::WriteResult write(const QString &path);

    // False when the shown document could not be loaded as it is.
    bool isLoaded() const { return m_loaded; }
    // Why a document that was read is shown read-only; empty otherwise.
    QString readOnlyReason() const { return m_readOnlyReason; }
    // How the file was read (encoding, byte-order mark, line ends); a new
    // document's format until it is saved.
    TextFormat format() const { return m_format; }
    // True while the program itself sets the editor text: no edit by the user.
    bool isSettingText() const { return m_settingText > 0; }

    // The editor's text as it is, with "\n" line ends. Unlike toPlainText()
    // it keeps no-break spaces, which German documents are full of.
    static QString editorText(const QPlainTextEdit *editor);

    // False when text holds a character the editor takes for a line end
    // besides LF (CR, U+2029 and the frame marks U+FDD0, U+FDD1): only such
    // a text can come back from the editor changed.
    static bool isKeptAsIs(QStringView text);

    // An empty, read-only editor that says why the document is not shown.
    void showLoadFailure(const QString &reason);

private:
    // For a file whose lines end in both CR LF and LF: per line end, whether
    // it is CR LF; empty for any other file.
    static QList<bool> lineEndsIfMixed(const QByteArray &bytes);
    // The file text with each line's own ending.
    QString withLineEnds(const QString &fileText) const;

    QPlainTextEdit *m_editor;
    TextFormat m_format = TextFormat::document();
    DocumentText m_doc;
    bool m_loaded = true;
    bool m_mixedLineEnds = false; // each line keeps its own ending (as block data)
    QString m_readOnlyReason;
    int m_settingText = 0;
};
