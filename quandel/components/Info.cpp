#include "Info.h"

#include "AppPaths.h"
#include "ProductInfo.h"
#include "WebLinks.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSvgWidget>

Info::Info(QWidget *owner) : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral(" Info über ") + ProductInfo::productName());

    auto *layout = new QGridLayout(this);
    auto *art = new QSvgWidget(QStringLiteral(":/quandel/quandel.svg"), this);
    art->setFixedSize(64, 64);
    layout->addWidget(art, 0, 0, 3, 1, Qt::AlignTop);

    auto *name = new QLabel(ProductInfo::nameVersionAndBuild(ProductInfo::majorVersion(), ProductInfo::minorVersion(),
                                                             ProductInfo::revision()),
                            this);
    name->setObjectName(QStringLiteral("RName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    layout->addWidget(name, 0, 1);
    auto *copyright = new QLabel(QStringLiteral("Copyright © Tivorn. Alle Rechte vorbehalten.\n"
                                                "Dieses Programm darf kostenlos benutzt, aber nicht weitergegeben "
                                                "werden."),
                                 this);
    copyright->setObjectName(QStringLiteral("RCopyright"));
    copyright->setWordWrap(true);
    layout->addWidget(copyright, 1, 1);

    auto *database = new QLineEdit(QFileInfo(AppPaths::dataFile()).absoluteFilePath(), this);
    database->setObjectName(QStringLiteral("tDatabase"));
    database->setReadOnly(true);
    database->setAccessibleName(QStringLiteral("Datendatei"));
    database->setAccessibleDescription(QStringLiteral("Die Datei mit Favoriten und Schriftart"));
    database->setMinimumWidth(360);
    layout->addWidget(database, 2, 1);

    auto *buttons = new QHBoxLayout;
    auto *mail = new QPushButton(QStringLiteral("&E-Mail"), this);
    mail->setObjectName(QStringLiteral("BMail"));
    auto *site = new QPushButton(QStringLiteral("&Webseite"), this);
    site->setObjectName(QStringLiteral("BWebseite"));
    auto *close = new QPushButton(QStringLiteral("&Abbrechen"), this);
    close->setObjectName(QStringLiteral("BAbbrechen"));
    close->setDefault(true);
    buttons->addWidget(mail);
    buttons->addWidget(site);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons, 3, 0, 1, 2);

    connect(mail, &QPushButton::clicked, this,
            [] { WebLinks::WebSupports(WebLinks::supportMail(ProductInfo::productName())); });
    connect(site, &QPushButton::clicked, this, [] { WebLinks::WebSupports(WebLinks::makerSite()); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    // Beside the main window, moved left or up where it would leave the
    // screen.
    if (owner) {
        adjustSize();
        QPoint at = owner->frameGeometry().topLeft() + QPoint(60, 80);
        if (const QScreen *screen = owner->screen()) {
            const QRect area = screen->availableGeometry();
            at.setX(std::max(area.left(), std::min(at.x(), area.right() - width())));
            at.setY(std::max(area.top(), std::min(at.y(), area.bottom() - height())));
        }
        move(at);
    }
}
