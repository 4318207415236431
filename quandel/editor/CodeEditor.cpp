#include "CodeEditor.h"

#include "BasicHighlighter.h"
#include "BasicStatements.h"
#include "BlockMatcher.h"
#include "DocumentKinds.h"
#include "Indentation.h"
#include "SyntaxColours.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

class LineNumberMargin final : public QWidget
{
public:
    explicit LineNumberMargin(CodeEditor *editor) : QWidget(editor), m_editor(editor) {}

protected:
    void paintEvent(QPaintEvent *event) override { m_editor->paintMargin(event); }

private:
    CodeEditor *m_editor;
};

namespace {

constexpr int MarginPadding = 4;

QString description(bool code)
{
    return code ? QStringLiteral("Text des gewählten Dokuments. Tab rückt die gewählten Zeilen ein, Umschalt+Tab "
                                 "rückt sie aus; Strg+Tab und Strg+Umschalt+Tab verlassen das Textfeld.")
                : QStringLiteral("Text des gewählten Dokuments. Tab und Strg+Tab gehen zum nächsten Bedienelement, "
                                 "Umschalt+Tab und Strg+Umschalt+Tab zum vorigen.");
}

} // namespace

CodeEditor::CodeEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    m_margin = new LineNumberMargin(this);
    m_margin->setObjectName(QStringLiteral("TextMargin"));
    m_margin->hide();
    m_highlighter = new BasicHighlighter(this);
    m_plainFont = font();
    setAccessibleDescription(description(false));
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEditor::updateMargin);
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (!m_codeView) {
            return;
        }
        if (dy != 0) {
            m_margin->scroll(0, dy);
        } else {
            m_margin->update(0, rect.y(), m_margin->width(), rect.height());
        }
    });
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        updateBlockMarks();
        updateExtraSelections();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CodeEditor::updateExtraSelections);
    connect(document(), &QTextDocument::contentsChange, this, [this](int position, int removed, int added) {
        // A new document replaces the whole text: whether a project text
        // holds code is decided anew.
        if (position == 0 && m_kind == DocumentKinds::ProjectFolders && (removed > 0 || added > 0) &&
            added + 1 >= document()->characterCount()) {
            refreshView();
        }
        updateBlockMarks();
        updateExtraSelections();
    });
}

void CodeEditor::setKind(int kind)
{
    if (kind == m_kind) {
        return;
    }
    m_kind = kind;
    refreshView();
}

void CodeEditor::setHighlighting(bool on)
{
    if (on == m_highlighting) {
        return;
    }
    m_highlighting = on;
    refreshView();
}

void CodeEditor::refreshView()
{
    std::optional<BasicSyntax::Mode> mode;
    if (m_kind == DocumentKinds::ClassesAndModules) {
        mode = BasicSyntax::Mode::Basic;
    } else if (m_kind == DocumentKinds::HelpProjects) {
        mode = BasicSyntax::Mode::Project;
    } else if (m_kind == DocumentKinds::ProjectFolders) {
        m_basicText = BasicSyntax::looksLikeBasic(toPlainText());
        if (m_basicText) {
            mode = BasicSyntax::Mode::Basic;
        }
    }
    const bool holdsCode = mode.has_value();
    const bool codeChanged = holdsCode != m_holdsCode;
    m_holdsCode = holdsCode;
    m_codeView = m_highlighting && mode.has_value();
    m_highlighter->setMode(m_codeView ? mode : std::nullopt);
    // Project texts are prose more often than code: they keep the font.
    applyFont(m_kind == DocumentKinds::ClassesAndModules || m_kind == DocumentKinds::HelpProjects);
    m_margin->setVisible(m_codeView);
    // What Tab does in this kind, for a screen reader.
    setAccessibleDescription(description(m_holdsCode));
    updateMargin();
    updateBlockMarks();
    updateExtraSelections();
    if (codeChanged) {
        Q_EMIT viewChanged();
    }
}

void CodeEditor::applyFont(bool fixedPitch)
{
    const bool userFont = m_userFontQuery && m_userFontQuery();
    if (userFont) {
        // The chosen font applies to every kind; nothing is put back.
        m_fixedPitch = false;
        return;
    }
    if (fixedPitch == m_fixedPitch) {
        return;
    }
    if (fixedPitch) {
        m_plainFont = font();
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPointSizeF(m_plainFont.pointSizeF() > 0 ? m_plainFont.pointSizeF() : fixed.pointSizeF());
        setFont(fixed);
    } else {
        setFont(m_plainFont);
    }
    m_fixedPitch = fixedPitch;
}

int CodeEditor::marginWidth() const
{
    if (!m_codeView) {
        return 0;
    }
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10) {
        ++digits;
    }
    return 2 * MarginPadding + fontMetrics().horizontalAdvance(u'9') * std::max(3, digits);
}

void CodeEditor::updateMargin()
{
    const int width = marginWidth();
    if (viewportMargins().left() != width) {
        setViewportMargins(width, 0, 0, 0);
    }
    const QRect area = contentsRect();
    m_margin->setGeometry(QRect(area.left(), area.top(), width, area.height()));
    m_margin->update();
}

void CodeEditor::paintMargin(QPaintEvent *event)
{
    QPainter painter(m_margin);
    const QPalette pal = palette();
    painter.fillRect(event->rect(), SyntaxColours::marginBackground(pal));
    painter.setPen(SyntaxColours::marginText(pal));
    painter.setFont(font());
    const int current = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    const int width = m_margin->width() - MarginPadding;
    const int lineHeight = fontMetrics().height();
    while (block.isValid() && top <= event->rect().bottom()) {
        const qreal bottom = top + blockBoundingRect(block).height();
        if (block.isVisible() && bottom >= event->rect().top()) {
            QFont f = font();
            f.setBold(block.blockNumber() == current);
            painter.setFont(f);
            painter.drawText(0, int(top), width, lineHeight, Qt::AlignRight, QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

void CodeEditor::setMarkedTerm(const QString &term, Qt::CaseSensitivity cs)
{
    if (term == m_term && cs == m_termCs) {
        return;
    }
    m_term = term;
    m_termCs = cs;
    updateExtraSelections();
}

std::pair<int, int> CodeEditor::blocksInView() const
{
    // From the geometry of the blocks: asking for the cursor at a point of
    // the view would lay a long line out again.
    QTextBlock block = firstVisibleBlock();
    const int first = block.blockNumber();
    int last = first;
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    const int height = viewport()->height();
    while (block.isValid() && top < height) {
        last = block.blockNumber();
        top += blockBoundingRect(block).height();
        block = block.next();
    }
    return {first, last};
}

QList<std::pair<int, int>> CodeEditor::markedInView() const
{
    QList<std::pair<int, int>> marks;
    if (m_term.isEmpty()) {
        return marks;
    }
    // Only the lines in view are searched: a long document may hold the
    // term a hundred thousand times.
    const auto [first, last] = blocksInView();
    for (QTextBlock b = document()->findBlockByNumber(first); b.isValid() && b.blockNumber() <= last; b = b.next()) {
        const QString text = b.text();
        for (qsizetype at = text.indexOf(m_term, 0, m_termCs); at >= 0;
             at = text.indexOf(m_term, at + m_term.size(), m_termCs)) {
            marks.append({b.position() + int(at), int(m_term.size())});
        }
    }
    return marks;
}

QList<std::pair<int, int>> CodeEditor::blockMarks() const
{
    return m_blockMarks;
}

void CodeEditor::updateBlockMarks()
{
    m_blockMarks.clear();
    m_blockMatched = false;
    if (!m_holdsCode || textCursor().hasSelection()) {
        return;
    }
    const QTextCursor cursor = textCursor();
    if (cursor.positionInBlock() > BasicStatements::LongLine) {
        return; // only the start of a long line is looked at
    }
    const QTextDocument *doc = document();
    const BlockMatcher::Result result =
        BlockMatcher::match([doc](int line) { return doc->findBlockByNumber(line).text(); }, doc->blockCount(),
                            cursor.blockNumber(), cursor.positionInBlock());
    for (const BlockMatcher::Mark &mark : result.marks) {
        m_blockMarks.append({doc->findBlockByNumber(mark.line).position() + mark.column, mark.length});
    }
    m_blockMatched = result.matched;
}

void CodeEditor::updateExtraSelections()
{
    QList<QTextEdit::ExtraSelection> selections;
    if (m_codeView) {
        QTextEdit::ExtraSelection band;
        band.format.setBackground(SyntaxColours::currentLine(palette()));
        band.format.setProperty(QTextFormat::FullWidthSelection, true);
        band.cursor = textCursor();
        band.cursor.clearSelection();
        selections.append(band);
    }
    const QColor block =
        m_blockMatched ? SyntaxColours::blockMatch(palette()) : SyntaxColours::blockUnmatched(palette());
    for (const auto &[position, length] : std::as_const(m_blockMarks)) {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(block);
        selection.cursor = QTextCursor(document());
        selection.cursor.setPosition(position);
        selection.cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        selections.append(selection);
    }
    const QColor mark = SyntaxColours::termMark(palette());
    for (const auto &[position, length] : markedInView()) {
        QTextEdit::ExtraSelection selection;
        selection.format.setBackground(mark);
        selection.cursor = QTextCursor(document());
        selection.cursor.setPosition(position);
        selection.cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        selections.append(selection);
    }
    setExtraSelections(selections);
    if (m_codeView) {
        m_margin->update();
    }
}

bool CodeEditor::event(QEvent *event)
{
    // Tab keys, before the text field takes them: Strg+Tab and
    // Strg+Umschalt+Tab always leave the editor; in code Tab and Umschalt+Tab
    // indent, in any other text (and in text that cannot be edited) they
    // leave it too.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (tab && (mods & ~(Qt::ShiftModifier | Qt::ControlModifier)) == 0) {
            const bool back = key->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
            if ((mods & Qt::ControlModifier) || !m_holdsCode || isReadOnly()) {
                // Past QPlainTextEdit's own, which keeps the focus in an editable text.
                QWidget::focusNextPrevChild(!back); // NOLINT(bugprone-parent-virtual-call)
            } else {
                QTextCursor cursor = textCursor();
                if (back) {
                    Indentation::outdent(cursor);
                } else {
                    Indentation::indent(cursor);
                }
                setTextCursor(cursor);
            }
            event->accept();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void CodeEditor::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_holdsCode && !isReadOnly() && (event->modifiers() & ~Qt::KeypadModifier) == 0) {
        QTextCursor cursor = textCursor();
        Indentation::newLine(cursor);
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CodeEditor::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    updateMargin();
    updateExtraSelections();
}

void CodeEditor::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        m_highlighter->updateColours();
        updateExtraSelections();
    } else if (event->type() == QEvent::FontChange) {
        updateMargin();
    }
}
