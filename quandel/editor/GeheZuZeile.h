#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Gehe zu Zeile": asks for a line number from 1 to the editor's line count.
// Anything else keeps OK disabled, so the dialog itself refuses it.
class GeheZuZeile final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GeheZuZeile)

public:
    GeheZuZeile(int lineCount, int currentLine, QWidget *parent = nullptr);

    // The chosen line (1-based), 0 while the entry is no such line.
    int line() const;
    QLineEdit *lineBox() const { return m_line; }
    QPushButton *okButton() const { return m_ok; }

    // Asks for a line and makes it the editor's cursor line, scrolled into
    // view. False when the user cancelled.
    static bool run(QPlainTextEdit *editor, QWidget *parent);
    // Makes a line (1-based) the cursor line and brings it into view.
    static void goToLine(QPlainTextEdit *editor, int line);

private:
    int m_count;
    QLineEdit *m_line = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_ok = nullptr;
};
