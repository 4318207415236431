#pragma once

#include <QPlainTextEdit>

#include <functional>

class BasicHighlighter;

// The editor `Text`. For code (classes, modules, help projects and project
// texts that hold Basic code) it colours the code, shows line numbers in a
// margin and a faint band behind the line with the cursor; help documents
// show as plain text. Independently of the kind it can mark every occurrence
// of a search term.
class CodeEditor final : public QPlainTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CodeEditor)

public:
    explicit CodeEditor(QWidget *parent = nullptr);

    // The document kind shown (0 to 3, -1 = none).
    void setKind(int kind);
    int kind() const { return m_kind; }

    // Colouring, margin and band together; on by default.
    void setHighlighting(bool on);
    bool highlighting() const { return m_highlighting; }

    // Whether the user has chosen a font: until then code shows in the
    // system's fixed-pitch font.
    void setUserFontQuery(std::function<bool()> query) { m_userFontQuery = std::move(query); }

    // Marks every occurrence of the term in the text; an empty term marks
    // nothing.
    void setMarkedTerm(const QString &term, Qt::CaseSensitivity cs = Qt::CaseInsensitive);
    QString markedTerm() const { return m_term; }
    // The marked occurrences in view, as (position, length).
    QList<std::pair<int, int>> markedInView() const;

    // The numbers of the first and the last block in view.
    std::pair<int, int> blocksInView() const;

    // True while code is shown with its margin and band.
    bool isCodeView() const { return m_codeView; }
    // True while the text is Basic code (or a help project), coloured or
    // not: Tab indents, Return keeps the indentation, block keywords are
    // matched and the procedure list applies.
    bool holdsCode() const { return m_holdsCode; }
    // The keywords of the block at the cursor, as (position, length), and
    // whether the block is whole.
    QList<std::pair<int, int>> blockMarks() const;
    bool blockMatched() const { return m_blockMatched; }
    BasicHighlighter *highlighter() const { return m_highlighter; }
    int marginWidth() const;

Q_SIGNALS:
    // Whether the text holds code may have changed.
    void viewChanged();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class LineNumberMargin;
    void paintMargin(QPaintEvent *event);
    void refreshView();
    void updateMargin();
    void updateExtraSelections();
    void updateBlockMarks();
    void applyFont(bool fixedPitch);

    QWidget *m_margin = nullptr;
    BasicHighlighter *m_highlighter = nullptr;
    std::function<bool()> m_userFontQuery;
    int m_kind = -1;
    bool m_highlighting = true;
    bool m_codeView = false;
    bool m_holdsCode = false;
    bool m_blockMatched = false;
    QList<std::pair<int, int>> m_blockMarks;
    bool m_basicText = false; // a project text that holds code
    bool m_fixedPitch = false;
    QFont m_plainFont;
    QString m_term;
    Qt::CaseSensitivity m_termCs = Qt::CaseInsensitive;
};
