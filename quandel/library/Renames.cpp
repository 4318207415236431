#include "Renames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Renames::Renames(const QString &proposedName, Handler handler, QWidget *parent, Purpose purpose)
    : QDialog(parent), m_handler(std::move(handler))
{
    const bool rename = purpose == Purpose::Rename;
    setObjectName(rename ? QStringLiteral("Renames") : QStringLiteral("NeuesProjekt"));
    setWindowTitle(rename ? QStringLiteral(" Umbenennen") : QStringLiteral(" Neues Projekt"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_label1 = new QLabel(rename ? QStringLiteral("Geben Sie dem Dokument eine neue Bezeichnung:")
                                 : QStringLiteral("Geben Sie dem neuen Projekt eine Bezeichnung:"),
                          this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_text1 = new QLineEdit(proposedName, this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setMinimumWidth(320);
    m_text1->selectAll();
    m_label1->setBuddy(m_text1);

    m_ready = new QPushButton(QStringLiteral("&Ok"), this);
    m_ready->setObjectName(QStringLiteral("CReady"));
    m_ready->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cancel->setObjectName(QStringLiteral("CAbbrechen"));
    m_cancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ready);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label1);
    layout->addWidget(m_text1);
    layout->addLayout(buttons);

    m_ready->setEnabled(!proposedName.isEmpty());
    connect(m_text1, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_ready->setEnabled(!text.isEmpty()); });
    connect(m_ready, &QPushButton::clicked, this, &Renames::ready);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString Renames::newName() const
{
    return m_text1->text();
}

void Renames::ready()
{
    if (m_text1->text().isEmpty()) {
        return;
    }
    if (m_handler && m_handler(m_text1->text())) {
        accept();
        return;
    }
    // The name was refused: the user corrects it where it is.
    m_text1->setFocus();
    m_text1->selectAll();
}
