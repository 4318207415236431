#pragma once

#include "BasicSyntax.h"

#include <QSyntaxHighlighter>
#include <QTextBlock>

#include <optional>
#include <vector>

class CodeEditor;
class QTimer;

// Colours Basic code and project files in an editor, lazily: the blocks in
// view first, then the whole document from the top in slices of a few
// milliseconds, so that a document of many megabytes never holds up the
// window. Small edits are coloured at once. Lines longer than
// MaxColouredLine stay uncoloured.
class BasicHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BasicHighlighter)

public:
    // Time one slice may take before the window gets its turn again.
    static constexpr int SliceMs = 8;
    // Changes larger than this are coloured in slices rather than at once.
    static constexpr int ImmediateChars = 4096;
    // Longer lines are shown without colours: no code is written so, and
    // their colours would make every key in them slower still.
    static constexpr int MaxColouredLine = 10000;

    // The editor's document must still be empty.
    explicit BasicHighlighter(CodeEditor *editor);

    // The rules to colour with; none clears every colour.
    void setMode(std::optional<BasicSyntax::Mode> mode);
    std::optional<BasicSyntax::Mode> mode() const { return m_mode; }

    // Colours follow the editor's palette.
    void updateColours();

    // True when no block waits to be coloured.
    bool isIdle() const { return m_next > m_last; }

Q_SIGNALS:
    // Every block is coloured as the current mode says.
    void idle();

protected:
    void highlightBlock(const QString &text) override;

private:
    void contentsChanged(int position, int removed, int added);
    void markAll();
    void schedule(int first, int last);
    void work();
    void colour(const QTextBlock &block);

    CodeEditor *m_editor = nullptr;
    QTimer *m_timer = nullptr;
    std::optional<BasicSyntax::Mode> m_mode;
    std::array<QTextCharFormat, 6> m_formats;
    int m_blockCount = 1;
    // The blocks still to colour: m_next to m_last; m_done marks those
    // already coloured out of order (because they were in view).
    int m_next = 0;
    int m_last = -1;
    std::vector<bool> m_done;
    bool m_colouring = false;
};
