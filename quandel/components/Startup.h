#pragma once

#include <QWidget>

// The splash window shown while the main window starts.
class Startup final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Startup)

public:
    explicit Startup(QWidget *parent = nullptr);
};
