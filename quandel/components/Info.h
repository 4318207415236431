#pragma once

#include <QDialog>

// The about dialog: name, version and build, the legal notice, where the data
// file lies, and ways to reach the maker.
class Info final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Info)

public:
    // Placed beside owner, kept on its screen.
    explicit Info(QWidget *owner);
};
