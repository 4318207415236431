#include "BasicHighlighter.h"

#include "CodeEditor.h"
#include "SyntaxColours.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace {

constexpr int InComment = 1;

} // namespace

BasicHighlighter::BasicHighlighter(CodeEditor *editor) : QSyntaxHighlighter(editor->document()), m_editor(editor)
{
    // The base class would colour every changed block at once, which for a
    // document of megabytes stalls the window for seconds: the changes are
    // taken here instead and coloured in slices.
    QTextDocument *doc = editor->document();
    disconnect(doc, SIGNAL(contentsChange(int, int, int)), this, SLOT(_q_reformatBlocks(int, int, int)));
    connect(doc, &QTextDocument::contentsChange, this, &BasicHighlighter::contentsChanged);
    m_blockCount = doc->blockCount();
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &BasicHighlighter::work);
    // Scrolling brings other blocks into view: they go first.
    connect(editor->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!isIdle()) {
            m_timer->start();
        }
    });
    updateColours();
}

void BasicHighlighter::setMode(std::optional<BasicSyntax::Mode> mode)
{
    if (mode == m_mode) {
        return;
    }
    m_mode = mode;
    markAll();
}

void BasicHighlighter::updateColours()
{
    using BasicSyntax::Kind;
    const QPalette palette = m_editor->palette();
    const auto before = m_formats;
    for (const Kind kind : {Kind::Keyword, Kind::Comment, Kind::String, Kind::Number, Kind::Directive, Kind::Key}) {
        QTextCharFormat format;
        format.setForeground(SyntaxColours::token(kind, palette));
        if (kind == Kind::Comment) {
            format.setFontItalic(true);
        }
        m_formats[size_t(kind)] = format;
    }
    // A new text colour of the user leaves the token colours as they are.
    if (m_mode && before != m_formats) {
        markAll();
    }
}

void BasicHighlighter::highlightBlock(const QString &text)
{
    // A long line also ends a continued comment: the lines after it are
    // coloured as they are.
    if (!m_mode || text.size() > MaxColouredLine) {
        setCurrentBlockState(-1);
        return;
    }
    const BasicSyntax::LineResult line = BasicSyntax::tokenize(text, *m_mode, previousBlockState() == InComment);
    for (const BasicSyntax::Token &token : line.tokens) {
        setFormat(int(token.start), int(token.length), m_formats[size_t(token.kind)]);
    }
    // -1, the state of a block never coloured, for the usual case: colouring
    // a block then leaves its state alone and does not run on to the next.
    setCurrentBlockState(line.commentContinues ? InComment : -1);
}

void BasicHighlighter::contentsChanged(int position, int removed, int added)
{
    if (m_colouring) {
        return; // the format changes of colouring itself
    }
    QTextDocument *doc = document();
    const int count = doc->blockCount();
    const int delta = count - m_blockCount;
    m_blockCount = count;
    const QTextBlock first = doc->findBlock(position);
    QTextBlock last = doc->findBlock(position + added);
    if (!last.isValid()) {
        last = doc->lastBlock();
    }
    const int firstNumber = first.isValid() ? first.blockNumber() : 0;
    const int lastNumber = last.blockNumber();
    // Blocks below the change moved by the number of lines it added.
    if (!isIdle()) {
        if (m_last > firstNumber) {
            m_last = std::max(firstNumber, m_last + delta);
        }
        if (m_next > firstNumber) {
            m_next = std::max(firstNumber, m_next + delta);
        }
        if (delta > 0) {
            m_done.insert(m_done.begin() + std::min<qsizetype>(firstNumber, qsizetype(m_done.size())), size_t(delta),
                          false);
        } else if (delta < 0) {
            const auto from = std::min<qsizetype>(firstNumber + 1, qsizetype(m_done.size()));
            const auto to = std::min<qsizetype>(from - delta, qsizetype(m_done.size()));
            m_done.erase(m_done.begin() + from, m_done.begin() + to);
        }
        m_done.resize(size_t(count), false);
    }
    if (!m_mode && isIdle()) {
        return; // new text of a document without colours has none
    }
    if (std::max(added, removed) <= ImmediateChars && isIdle()) {
        const QSignalBlocker quiet(doc);
        m_colouring = true;
        for (QTextBlock b = first; b.isValid() && b.blockNumber() <= lastNumber; b = b.next()) {
            rehighlightBlock(b);
        }
        m_colouring = false;
        return;
    }
    schedule(firstNumber, lastNumber);
}

void BasicHighlighter::markAll()
{
    schedule(0, document()->blockCount() - 1);
}

void BasicHighlighter::schedule(int first, int last)
{
    const int count = document()->blockCount();
    if (isIdle()) {
        m_next = first;
        m_last = last;
        m_done.assign(size_t(count), false);
    } else {
        m_next = std::min(m_next, first);
        m_last = std::max(m_last, last);
        std::fill(m_done.begin(), m_done.end(), false);
    }
    m_timer->start();
}

void BasicHighlighter::colour(const QTextBlock &block)
{
    rehighlightBlock(block);
    if (const auto n = size_t(block.blockNumber()); n < m_done.size()) {
        m_done[n] = true;
    }
}

void BasicHighlighter::work()
{
    if (isIdle()) {
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QTextDocument *doc = document();
    // Formats are no edit: they must not mark the document changed.
    const QSignalBlocker quiet(doc);
    m_colouring = true;
    const auto [firstVisible, lastVisible] = m_editor->blocksInView();
    for (QTextBlock b = doc->findBlockByNumber(std::max(firstVisible, m_next));
         b.isValid() && b.blockNumber() <= std::min(lastVisible, m_last); b = b.next()) {
        if (!m_done[size_t(b.blockNumber())]) {
            colour(b);
        }
    }
    QTextBlock b = doc->findBlockByNumber(m_next);
    while (b.isValid() && m_next <= m_last && clock.elapsed() < SliceMs) {
        if (!m_done[size_t(m_next)]) {
            colour(b);
        }
        b = b.next();
        ++m_next;
    }
    if (!b.isValid()) {
        m_next = m_last + 1;
    }
    m_colouring = false;
    if (isIdle()) {
        m_done.clear();
        Q_EMIT idle();
    } else {
        m_timer->start();
    }
}
