#pragma once

#include "ProcedureList.h"

#include <QWidget>

#include <climits>
#include <optional>

class CodeEditor;
class QComboBox;
class QLabel;
class QStringListModel;
class QTimer;

// The procedure list above the editor: "Prozedur" and a combo box of the
// module's declarations. Choosing one puts the cursor on its first line;
// the cursor's procedure shows in the box. The list follows edits once
// typing pauses; a long module is read in slices of a few milliseconds,
// never on the typing path.
class ProcedureBox final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProcedureBox)

public:
    // Time one slice of reading may take before the window gets its turn.
    static constexpr int SliceMs = 8;
    // How long typing must pause before the list is read again.
    static constexpr int PauseMs = 150;

    ProcedureBox(CodeEditor *editor, QWidget *parent);

    // Whether the editor shows code, so that the box is to be shown.
    bool applies() const;
    QComboBox *comboBox() const { return m_combo; }
    const QList<ProcedureList::Entry> &entries() const { return m_entries; }
    // True when the list reflects the text as it is.
    bool isCurrent() const { return !m_dirty && m_scanBlock < 0; }

    // Puts the cursor on the first line of the entry at index.
    void goTo(int index);

Q_SIGNALS:
    // applies() may have changed.
    void appliesChanged();
    // The entries were read anew.
    void updated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void noteChange(int position, int removed, int added);
    void textChanged();
    void startScan();
    void scanSlice();
    void showCurrent();

    CodeEditor *m_editor;
    QLabel *m_label = nullptr;
    QComboBox *m_combo = nullptr;
    QStringListModel *m_model = nullptr;
    QTimer *m_pause = nullptr;
    QTimer *m_slice = nullptr;
    QList<ProcedureList::Entry> m_entries;
    int m_entriesLines = 0; // the lines of the text the entries were read from
    std::optional<ProcedureList::Rescan> m_rescan;
    int m_scanBlock = -1; // the next block to read, -1 while not reading
    bool m_dirty = true;
    // The lines edited since the entries were read: from the first changed
    // line, to the last counted from the end; everything after a new text.
    int m_firstChanged = INT_MAX;
    int m_unchangedAtEnd = INT_MAX;
    bool m_readAll = true;
    // The last change the document reported: an edit when the text changed
    // with it, else new colours.
    int m_changeFirst = 0;
    int m_changeUnchangedAtEnd = 0;
    bool m_changeWhole = false;
    bool m_fromPopup = false;
};
