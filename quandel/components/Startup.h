#pragma once

#include <QWidget>

class QLabel;

// The splash window shown while the main window starts.
class Startup final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Startup)

public:
    explicit Startup(QWidget *parent = nullptr);

    QString ownerText() const;
    QString identText() const;

private:
    QLabel *m_name = nullptr;  // LName
    QLabel *m_ident = nullptr; // LIdent
};
