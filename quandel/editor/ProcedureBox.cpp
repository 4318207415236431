#include "ProcedureBox.h"

#include "CodeEditor.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QShortcut>
#include <QStringListModel>
#include <QTextBlock>
#include <QTimer>

namespace {

// Knows whether it was chosen from its open list: the focus then goes on to
// the editor, while arrow keys on the closed box leave it in the box.
class ProcedureCombo final : public QComboBox
{
public:
    using QComboBox::QComboBox;
    bool takeFromPopup()
    {
        const bool was = m_popup;
        m_popup = false;
        return was;
    }

    void showPopup() override
    {
        m_popup = true;
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        // activated() follows at once when an entry was chosen.
        QTimer::singleShot(0, this, [this] { m_popup = false; });
    }

private:
    bool m_popup = false;
};

} // namespace

ProcedureBox::ProcedureBox(CodeEditor *editor, QWidget *parent) : QWidget(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("Prozeduren"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_label = new QLabel(QStringLiteral("Prozedur"), this);
    m_label->setObjectName(QStringLiteral("LProzedur"));
    auto *combo = new ProcedureCombo(this);
    m_combo = combo;
    m_combo->setObjectName(QStringLiteral("Prozedur"));
    m_combo->setAccessibleName(QStringLiteral("Prozedur"));
    m_combo->setAccessibleDescription(
        QStringLiteral("Die Prozeduren und Deklarationen des Moduls; die Wahl setzt den Cursor auf ihre erste Zeile. "
                       "Strg+Umschalt+O führt hierher, Eingabe zurück in den Text."));
    m_combo->setToolTip(QStringLiteral("Prozedur (Strg+Umschalt+O)"));
    m_label->setBuddy(m_combo);
    // A module may hold thousands of entries: neither the box nor its list
    // measures each of them.
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combo->setMinimumContentsLength(24);
    m_combo->setMaxVisibleItems(20);
    // The list drops down below the box, twenty entries at a time, rather
    // than over the window centred on the current entry.
    m_combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    auto *view = new QListView(m_combo);
    view->setUniformItemSizes(true);
    m_combo->setView(view);
    m_model = new QStringListModel(this);
    m_combo->setModel(m_model);
    layout->addWidget(m_label);
    layout->addWidget(m_combo, 1);

    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), this);
    shortcut->setObjectName(QStringLiteral("ProzedurTaste"));
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] { m_combo->setFocus(Qt::ShortcutFocusReason); });

    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(PauseMs);
    connect(m_pause, &QTimer::timeout, this, &ProcedureBox::startScan);
    m_slice = new QTimer(this);
    m_slice->setSingleShot(true);
    m_slice->setInterval(0);
    connect(m_slice, &QTimer::timeout, this, &ProcedureBox::scanSlice);

    connect(m_editor->document(), &QTextDocument::contentsChange, this, &ProcedureBox::noteChange);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &ProcedureBox::textChanged);
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, &ProcedureBox::showCurrent);
    connect(m_editor, &CodeEditor::viewChanged, this, [this] {
        if (applies() && m_dirty) {
            startScan();
        }
        Q_EMIT appliesChanged();
    });
    connect(m_combo, &QComboBox::activated, this, [this, combo](int index) {
        goTo(index);
        if (combo->takeFromPopup()) {
            m_editor->setFocus(Qt::OtherFocusReason);
        }
    });
    m_combo->installEventFilter(this);
}

bool ProcedureBox::eventFilter(QObject *watched, QEvent *event)
{
    // Return on the closed box goes back into the text, at the entry shown.
    if (watched == m_combo && event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        const int key = keyEvent->key();
        if (key == Qt::Key_Q && keyEvent->modifiers() == Qt::AltModifier) {
            // Alt+Q ends the program here as in the text.
            QCoreApplication::sendEvent(m_editor, event);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            goTo(m_combo->currentIndex());
            m_editor->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ProcedureBox::applies() const
{
    return m_editor->holdsCode();
}

void ProcedureBox::goTo(int index)
{
    if (index < 0 || index >= m_entries.size()) {
        return;
    }
    const QTextBlock block = m_editor->document()->findBlockByNumber(m_entries.at(index).firstLine);
    if (!block.isValid()) {
        return;
    }
    QTextCursor cursor(block);
    m_editor->setTextCursor(cursor);
    m_editor->centerCursor();
}

void ProcedureBox::noteChange(int position, int removed, int added)
{
    // Colouring reports its changes here too; only those followed by
    // textChanged are edits.
    const QTextDocument *doc = m_editor->document();
    m_changeWhole = position == 0 && added + 1 >= doc->characterCount() && (added > 0 || removed > 0);
    m_changeFirst = doc->findBlock(position).blockNumber();
    const QTextBlock last = doc->findBlock(position + added);
    m_changeUnchangedAtEnd = last.isValid() ? doc->blockCount() - 1 - last.blockNumber() : 0;
}

void ProcedureBox::textChanged()
{
    m_dirty = true;
    // Reading stops; it starts afresh once typing pauses.
    m_rescan.reset();
    m_scanBlock = -1;
    m_slice->stop();
    if (m_changeWhole || !applies()) {
        m_readAll = true;
    } else {
        m_firstChanged = std::min(m_firstChanged, m_changeFirst);
        m_unchangedAtEnd = std::min(m_unchangedAtEnd, m_changeUnchangedAtEnd);
    }
    if (!applies()) {
        m_pause->stop();
    } else if (m_changeWhole) {
        // A new text (a document loaded) is read at once.
        m_pause->stop();
        startScan();
    } else {
        m_pause->start();
    }
    m_changeWhole = false;
}

void ProcedureBox::startScan()
{
    if (!applies()) {
        return;
    }
    const int lines = m_editor->document()->blockCount();
    const int firstChanged = std::min(m_firstChanged, lines - 1);
    const int lastChanged = std::max(firstChanged, lines - 1 - std::min(m_unchangedAtEnd, lines - 1));
    m_rescan.emplace(m_readAll ? QList<ProcedureList::Entry>{} : m_entries, m_entriesLines, firstChanged, lastChanged,
                     lines);
    m_scanBlock = m_rescan->firstLine();
    m_dirty = false;
    scanSlice();
}

void ProcedureBox::scanSlice()
{
    if (m_scanBlock < 0 || !m_rescan) {
        return;
    }
    QElapsedTimer clock;
    clock.start();
    QTextBlock block = m_editor->document()->findBlockByNumber(m_scanBlock);
    int count = 0;
    bool known = false;
    while (block.isValid() && !known) {
        known = m_rescan->addLine(block.text());
        block = block.next();
        if (++count % 256 == 0 && clock.elapsed() >= SliceMs) {
            break;
        }
    }
    if (block.isValid() && !known) {
        m_scanBlock = block.blockNumber();
        m_slice->start();
        return;
    }
    m_scanBlock = -1;
    m_entries = m_rescan->finish();
    m_rescan.reset();
    m_entriesLines = m_editor->document()->blockCount();
    m_readAll = false;
    m_firstChanged = INT_MAX;
    m_unchangedAtEnd = INT_MAX;
    QStringList labels;
    labels.reserve(m_entries.size());
    for (const ProcedureList::Entry &e : std::as_const(m_entries)) {
        labels.append(e.label());
    }
    {
        const QSignalBlocker blocker(m_combo);
        m_model->setStringList(labels);
    }
    showCurrent();
    Q_EMIT updated();
}

void ProcedureBox::showCurrent()
{
    if (!applies() || m_entries.isEmpty()) {
        return;
    }
    const qsizetype index = ProcedureList::entryAt(m_entries, m_editor->textCursor().blockNumber());
    if (index != m_combo->currentIndex()) {
        const QSignalBlocker blocker(m_combo);
        m_combo->setCurrentIndex(int(index));
    }
}
