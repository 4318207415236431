#pragma once

#include <QWidget>

class QLabel;
class QPrinter;

// The print layout of a topic: a page-like window that is never shown; its
// labels are what the page carries.
class Drucken final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Drucken)

public:
    explicit Drucken(QWidget *parent = nullptr);

    void setTexts(const QString &caption, const QString &heading, const QString &text);

    // One page at the layout's real size; false when the printer cannot be
    // opened or the page cannot be finished.
    bool printOn(QPrinter &printer);

private:
    QLabel *m_caption = nullptr; // Label1
    QLabel *m_heading = nullptr; // Label2
    QLabel *m_text = nullptr;    // Label3
};
