#include "PicturePane.h"

#include "Accessibility.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSvgRenderer>
#include <QSvgWidget>

namespace {

// The navy ground of the artwork, so the pane and the picture are one area;
// the caption is a pale blue on it.
const QColor ArtworkNavy(0x1d, 0x3d, 0x6b);
const QLatin1String CaptionStyle("color: #c9d7ea");

} // namespace

PicturePane::PicturePane(QWidget *parent) : QFrame(parent)
{
    Accessibility::setRole(this, QAccessible::Pane);
    setObjectName(QStringLiteral("Background"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ArtworkNavy);
    setPalette(pal);

    m_pictures = new QSvgWidget(QStringLiteral(":/quandel/artwork.svg"), this);
    Accessibility::setRole(m_pictures, QAccessible::Graphic);
    m_pictures->setObjectName(QStringLiteral("Pictures"));
    m_pictures->installEventFilter(this);

    m_pictures->setAccessibleName(QStringLiteral("Programmbild"));
    m_caption = new QLabel(QStringLiteral("Tivorn Quandel Library"), this);
    m_caption->setObjectName(QStringLiteral("Liptures"));
    m_caption->setStyleSheet(CaptionStyle);
    m_caption->installEventFilter(this);
}

void PicturePane::placePictures(const QRect &rect)
{
    // The artwork keeps its proportions inside the space it is given.
    const QSize art = m_pictures->renderer()->defaultSize().scaled(rect.size(), Qt::KeepAspectRatio);
    m_pictures->setGeometry(QRect(QPoint(rect.x() + (rect.width() - art.width()) / 2, rect.y()), art));
    m_caption->adjustSize();
    m_caption->move(4, height() - m_caption->height() - 4);
    m_caption->setVisible(rect.y() + art.height() + m_caption->height() < height());
}

int PicturePane::picturesHeight() const
{
    return m_pictures->height();
}

bool PicturePane::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        Q_EMIT rightButtonPressed();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void PicturePane::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        Q_EMIT rightButtonPressed();
        return;
    }
    QFrame::mousePressEvent(event);
}
