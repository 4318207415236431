#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The rename dialog: the new name of the selected document, without its
// extension. Ok hands the name to the caller, which decides whether the
// dialog closes (it stays open when the name is refused or the user does not
// want another document replaced). The same dialog asks for the name of a new
// project ("NeuesProjekt").
class Renames final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Renames)

public:
    using Handler = std::function<bool(const QString &newName)>;
    enum class Purpose
    {
        Rename,
        NewProject
    };

    Renames(const QString &proposedName, Handler handler, QWidget *parent = nullptr, Purpose purpose = Purpose::Rename);

    QString newName() const;

private:
    void ready();

    Handler m_handler;
    QLabel *m_label1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QPushButton *m_ready = nullptr;
    QPushButton *m_cancel = nullptr;
};
