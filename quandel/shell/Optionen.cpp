#include "Optionen.h"

#include "Accessibility.h"
#include "Layout.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSvgWidget>
#include <QVBoxLayout>

const std::array<Optionen::Box, 8> Optionen::Boxes = {{
    {u"BTextIndex", u"&Zuletzt verwendetes Dokument merken ", Settings::TextIndex},
    {u"BRecycle", u"&Gelöschte Dokumente in den Papierkorb schieben ", Settings::Recycle},
    {u"BLinkCheck", u"&Verknüpfungen in den Favoriten überprüfen ", Settings::LinkCheck},
    {u"BLinkError", u"&Fehlerhafte Verknüpfungen im Manager anzeigen", Settings::LinkError},
    {u"BStartup", u"S&tartbildschirm nicht anzeigen ", Settings::Startup},
    {u"BToolTips", u"&Quickinfos zu Objekten anzeigen ", Settings::ToolTips},
    {u"BWerbung", u"&Bildanzeige neben Dokumenten ausblenden ", Settings::Werbung},
    {u"BStatusText", u"&Statusleiste nicht anzeigen ", Settings::StatusText},
}};

Optionen::Optionen(std::function<void(QWidget *)> help, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_help(std::move(help))
{
    setObjectName(QStringLiteral("Optionen"));
    setWindowTitle(QStringLiteral(" Einstellungen"));
    const float dpi = logicalDpiX() > 0 ? float(logicalDpiX()) : 96.0F;

    auto *outer = new QHBoxLayout(this);
    auto *picture = new QSvgWidget(QStringLiteral(":/quandel/quandel.svg"), this);
    picture->setFixedSize(64, 64);
    outer->addWidget(picture, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout;
    outer->addLayout(column);
    auto *heading = new QLabel(this);
    // A heading to a screen reader, and the name of the group of switches
    // below it, which it speaks when the focus enters the group.
    Accessibility::setRole(heading, QAccessible::Heading);
    heading->setText(QStringLiteral("Konfigurationen"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    column->addWidget(heading);
    const int spacing = Layout::toPixels(270, dpi) - fontMetrics().height() / 2;
    column->setSpacing(spacing);
    auto *group = new QWidget(this);
    group->setObjectName(QStringLiteral("Konfigurationen"));
    Accessibility::setRole(group, QAccessible::Grouping);
    group->setAccessibleName(heading->text());
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->setSpacing(spacing);
    column->addWidget(group);
    for (size_t i = 0; i < Boxes.size(); ++i) {
        auto *box = new QCheckBox(QString::fromUtf16(Boxes[i].caption), group);
        box->setObjectName(QString::fromUtf16(Boxes[i].name));
        box->setMinimumWidth(Layout::toPixels(5000, dpi));
        groupLayout->addWidget(box);
        m_boxes[i] = box;
    }
    // Deleted documents always go to the trash: the box cannot be cleared.
    connect(m_boxes[1], &QCheckBox::clicked, m_boxes[1], [box = m_boxes[1]] { box->setChecked(true); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    const QSize buttonSize(Layout::toPixels(1275, dpi), Layout::toPixels(420, dpi));
    const auto button = [this, buttons, buttonSize](const QString &name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setMinimumSize(buttonSize);
        buttons->addWidget(b);
        return b;
    };
    QPushButton *ready = button(QStringLiteral("BReady"), QStringLiteral("&Ok"));
    ready->setDefault(true);
    QPushButton *cancel = button(QStringLiteral("BAbbrechen"), QStringLiteral("&Abbrechen"));
    QPushButton *helpButton = button(QStringLiteral("BHilfe"), QStringLiteral("&Hilfe"));
    column->addSpacing(8);
    column->addLayout(buttons);

    connect(ready, &QPushButton::clicked, this, [this] {
        save();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, [this] {
        if (m_help) {
            m_help(this);
        }
    });
    load();
}

QCheckBox *Optionen::box(const QString &name) const
{
    for (QCheckBox *b : m_boxes) {
        if (b->objectName() == name) {
            return b;
        }
    }
    return nullptr;
}

void Optionen::load()
{
    for (size_t i = 0; i < Boxes.size(); ++i) {
        bool stored = false;
        m_boxes[i]->setChecked(Settings::shown(Boxes[i].value, &stored));
        m_stored[i] = stored;
        m_shown[i] = m_boxes[i]->isChecked();
    }
}

void Optionen::save()
{
    // Only the switches changed here are written, and the defaults shown for
    // values not stored yet: another running program may have changed the
    // others since this dialog read them, and its change stays.
    Settings::Batch values;
    for (size_t i = 0; i < Boxes.size(); ++i) {
        if (m_boxes[i]->isChecked() == m_shown[i] && (m_stored[i] || Settings::isStored(Boxes[i].value))) {
            continue;
        }
        values.add(Boxes[i].value, m_boxes[i]->isChecked());
    }
    // All boxes in one change. A failed write keeps all the old values,
    // which the dialog shows when opened again; it closes all the same.
    (void)values.write();
    Q_EMIT applied(m_boxes[6]->isChecked());
}
