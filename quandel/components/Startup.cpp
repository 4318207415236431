#include "Startup.h"

#include "ProductInfo.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSvgWidget>
#include <QVBoxLayout>

namespace {

// The colours of the artwork: its navy ground and the cream of its lettering.
const QColor ArtworkNavy(0x1d, 0x3d, 0x6b);
const QColor ArtworkCream(0xf4, 0xef, 0xe2);

} // namespace

Startup::Startup(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Startup"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ArtworkNavy);
    pal.setColor(QPalette::WindowText, ArtworkCream);
    setPalette(pal);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    auto *art = new QSvgWidget(QStringLiteral(":/quandel/artwork.svg"), this);
    art->setFixedSize(339, 240);
    layout->addWidget(art, 0, Qt::AlignHCenter);

    auto *licensed = new QLabel(QStringLiteral("Lizenziert für:"), this);
    layout->addWidget(licensed);
    auto *name = new QLabel(ProductInfo::registeredOwner(), this);
    name->setObjectName(QStringLiteral("LName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    layout->addWidget(name);
    auto *ident = new QLabel(ProductInfo::identification(), this);
    ident->setObjectName(QStringLiteral("LIdent"));
    layout->addWidget(ident);

    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}
