#pragma once

#include "TextMatcher.h"

#include <QDialog>

class DocumentLibrary;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The dialog " Ersetzen": replaces a term, as typed or as a regular
// expression, in the shown document, one match after the other or all at
// once. Every replacement is an edit of the editor, as typing is: it marks
// the document changed, and "Alle ersetzen" is one step of the editor's
// undo. The dialog is modeless and outlives its closing, so that it keeps its
// term and replacement.
class Ersetzen final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Ersetzen)

public:
    Ersetzen(DocumentLibrary *library, QPlainTextEdit *text, QString historyFile, QWidget *parent);

    // Shows the dialog with the editor's selection as its term when that is
    // part of one line, else with the last term.
    void present();

    // The buttons.
    void findNext();
    void replaceOne();
    void replaceAll();

    MatchOptions options() const;
    QComboBox *termBox() const { return m_term; }
    QLineEdit *replacementBox() const { return m_replacement; }
    // The dialog's message line: found, not found, how many were replaced,
    // why nothing was.
    QString statusText() const;

private:
    // The matcher of what the dialog holds; false (with the reason shown)
    // when it cannot be used.
    bool prepare(TextMatcher &matcher);
    // False (with the reason shown) when the shown document is not to be
    // changed.
    bool mayChangeDocument();
    // Selects the next match from from on, once round the end; false when
    // there is none.
    bool selectNext(const TextMatcher &matcher, qsizetype from);
    void select(qsizetype start, qsizetype length);
    void setStatus(const QString &text);
    void rememberTerm();
    void updateButtons();

    DocumentLibrary *m_library = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QString m_historyFile;
    QComboBox *m_term = nullptr;
    QLineEdit *m_replacement = nullptr;
    QCheckBox *m_case = nullptr;
    QCheckBox *m_wholeWords = nullptr;
    QCheckBox *m_expression = nullptr;
    QPushButton *m_findNext = nullptr;
    QPushButton *m_replace = nullptr;
    QPushButton *m_replaceAll = nullptr;
    QPushButton *m_close = nullptr;
    QLabel *m_status = nullptr;
};
