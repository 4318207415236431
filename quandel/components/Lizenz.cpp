#include "Lizenz.h"

#include "ProductInfo.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSvgWidget>
#include <QVBoxLayout>

Lizenz::Lizenz(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowStaysOnTopHint)
{
    // The splash it asks over stays on top of other windows: the question
    // must lie above it to be seen and answered.
    setObjectName(QStringLiteral("Lizenz"));
    setWindowTitle(QStringLiteral(" Sicherheitswarnung"));
    setModal(true);

    auto *outer = new QHBoxLayout(this);
    auto *art = new QSvgWidget(QStringLiteral(":/quandel/quandel.svg"), this);
    art->setFixedSize(64, 64);
    outer->addWidget(art, 0, Qt::AlignTop);

    auto *layout = new QVBoxLayout;
    outer->addLayout(layout);
    const auto addText = [this, layout](const QString &text, const QString &name = QString()) {
        auto *label = new QLabel(text, this);
        label->setWordWrap(true);
        label->setMinimumWidth(420);
        if (!name.isEmpty()) {
            label->setObjectName(name);
        }
        layout->addWidget(label);
        return label;
    };
    addText(QStringLiteral("Quandel Library verwaltet die Hilfe-Dokumente, Klassen, Module und Projekte von "
                           "Entwicklern an einem Ort. Die Benutzung erfolgt auf eigene Gefahr: Der Hersteller "
                           "haftet nicht für Schäden, die aus der Benutzung des Programms entstehen."));
    addText(QStringLiteral("Das Programm darf kostenlos benutzt, aber nicht weitergegeben oder verkauft werden."));
    addText(QStringLiteral("Tivorn steht für den Inhalt dieses Programms ein. Installieren oder führen Sie es nur "
                           "aus, wenn Sie dem Hersteller vertrauen."));
    addText(QStringLiteral("Installieren oder Ausführen des Programms:"));
    QLabel *name = addText(ProductInfo::nameAndVersion(), QStringLiteral("RName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    addText(QStringLiteral("Copyright © Tivorn. Alle Rechte vorbehalten."), QStringLiteral("RCopyright"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ready = new QPushButton(QStringLiteral("&Ok"), this);
    ready->setObjectName(QStringLiteral("BReady"));
    ready->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("BAbbrechen"));
    buttons->addWidget(ready);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(ready, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

void Lizenz::reject() {}

void Lizenz::closeEvent(QCloseEvent *event)
{
    event->ignore();
}
