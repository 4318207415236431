#include "Drucken.h"

#include "Twips.h"

#include <QLabel>
#include <QPainter>
#include <QPrinter>

namespace {

QLabel *makeLabel(QWidget *parent, const QString &name, qreal pointSize, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font = label->font();
    font.setPointSizeF(pointSize);
    label->setFont(font);
    label->setGeometry(geometry);
    return label;
}

} // namespace

Drucken::Drucken(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Drucken"));
    setFixedSize(Twips::toPixels(8430), Twips::toPixels(5730));
    QPalette page = palette();
    page.setColor(QPalette::Window, Qt::white);
    page.setColor(QPalette::WindowText, Qt::black);
    setPalette(page);
    setAutoFillBackground(true);

    // The caption and the heading get the width of the text below them and are
    // cut there, as on screen: a long title must not run off the page.
    const int textWidth = Twips::toPixels(6705);
    m_caption = makeLabel(this, QStringLiteral("Label1"), 11.25,
                          QRect(Twips::toPixels(1095), Twips::toPixels(590), textWidth, Twips::toPixels(300)));
    QFont captionFont = m_caption->font();
    captionFont.setWeight(QFont::DemiBold);
    m_caption->setFont(captionFont);

    m_heading = makeLabel(this, QStringLiteral("Label2"), 9.75,
                          QRect(Twips::toPixels(1095), Twips::toPixels(930), textWidth, Twips::toPixels(270)));
    QFont headingFont = m_heading->font();
    headingFont.setUnderline(true);
    m_heading->setFont(headingFont);

    m_text = makeLabel(this, QStringLiteral("Label3"), 9.75,
                       QRect(Twips::toPixels(1100), Twips::toPixels(1425), textWidth, Twips::toPixels(3795)));
    QFont textFont = m_text->font();
    textFont.setWeight(QFont::Light);
    m_text->setFont(textFont);
    m_text->setWordWrap(true);
}

void Drucken::setTexts(const QString &caption, const QString &heading, const QString &text)
{
    m_caption->setText(caption);
    m_heading->setText(heading);
    m_text->setText(text);
}

bool Drucken::printOn(QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // Drawn label by label: QWidget::render hands a printer a picture of the
    // widget, and text should stay text on paper and in a PDF. The labels are
    // measured in screen pixels; scaled to the printer's resolution, the page
    // shows the layout at its size in twips, with the fonts at their sizes.
    const qreal scaleX = qreal(printer.logicalDpiX()) / logicalDpiX();
    const qreal scaleY = qreal(printer.logicalDpiY()) / logicalDpiY();
    painter.fillRect(QRectF(0, 0, width() * scaleX, height() * scaleY), Qt::white);
    painter.setPen(Qt::black);
    for (const QLabel *label : {m_caption, m_heading, m_text}) {
        const QRect place = label->geometry();
        int flags = label->alignment().toInt();
        if (label->wordWrap()) {
            flags |= Qt::TextWordWrap;
        }
        painter.setFont(label->font());
        painter.drawText(
            QRectF(place.x() * scaleX, place.y() * scaleY, place.width() * scaleX, place.height() * scaleY), flags,
            label->text());
    }
    return painter.end();
}
