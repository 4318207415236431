#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The search dialog: the term with its history, the direction and the case
// switch. It outlives a run, since find-next continues with its term.
class Suchen final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Suchen)

public:
    Suchen(const QString &historyFile, QWidget *parent);

    QString term() const;
    void setTerm(const QString &term);
    bool forward() const;
    Qt::CaseSensitivity caseSensitivity() const;

    // The origin index of the current run.
    void setOriginIndex(int index);

    void ReadingSearch();
    void SavingSearch();

    QComboBox *termBox() const { return m_text1; }

Q_SIGNALS:
    // CSuchen was pressed.
    void searchRequested();
    // The dialog is being closed (CAbbrechen, Esc, close box).
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void updateSearchButton();

    QString m_historyFile;
    QComboBox *m_text1 = nullptr;
    QRadioButton *m_forward = nullptr;
    QRadioButton *m_backward = nullptr;
    QCheckBox *m_case = nullptr;
    QPushButton *m_search = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_indexKey = nullptr;
};

// The progress window of a run: a bar of the documents examined and the
// cancel button, whose disabling is the cancel request.
class Weitersuchen final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Weitersuchen)

public:
    explicit Weitersuchen(QWidget *parent);

    void setTotal(int total);
    void setExamined(int examined);
    bool cancelRequested() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    class QProgressBar *m_bar = nullptr;
    QPushButton *m_cancel = nullptr;
};
