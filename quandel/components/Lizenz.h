#pragma once

#include <QDialog>

// The disclaimer shown once per program version before the first start. It
// can only be left through its two buttons: BReady goes on, BAbbrechen ends
// the program.
class Lizenz final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Lizenz)

public:
    explicit Lizenz(QWidget *parent = nullptr);

    // Escape and the window's close request do nothing here.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
};
