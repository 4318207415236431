#include "GeheZuZeile.h"

#include "Prompts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

GeheZuZeile::GeheZuZeile(int lineCount, int currentLine, QWidget *parent)
    : QDialog(parent), m_count(std::max(1, lineCount))
{
    setObjectName(QStringLiteral("GeheZuZeile"));
    setWindowTitle(QStringLiteral(" Gehe zu Zeile"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_line = new QLineEdit(QString::number(std::clamp(currentLine, 1, m_count)), this);
    m_line->setObjectName(QStringLiteral("TZeile"));
    m_line->setMaxLength(10);
    m_line->selectAll();
    const QString range = QStringLiteral("&Zeile (1 bis %1):").arg(m_count);
    auto *label = new QLabel(range, this);
    label->setBuddy(m_line);
    m_line->setAccessibleName(QStringLiteral("Zeile"));
    m_line->setAccessibleDescription(QStringLiteral("Eine Zeilennummer von 1 bis %1").arg(m_count));
    form->addRow(label, m_line);
    layout->addLayout(form);
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("LHinweis"));
    m_hint->setAccessibleName(QStringLiteral("Hinweis"));
    layout->addWidget(m_hint);
    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("BReady"));
    m_ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("BAbbrechen"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (line() > 0) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto check = [this] {
        const bool ok = line() > 0;
        m_ok->setEnabled(ok);
        m_hint->setText(ok || m_line->text().trimmed().isEmpty()
                            ? QString()
                            : QStringLiteral("Bitte eine Zeile von 1 bis %1 angeben.").arg(m_count));
    };
    connect(m_line, &QLineEdit::textChanged, this, check);
    check();
}

int GeheZuZeile::line() const
{
    bool ok = false;
    const qlonglong n = m_line->text().trimmed().toLongLong(&ok);
    return ok && n >= 1 && n <= m_count ? int(n) : 0;
}

void GeheZuZeile::goToLine(QPlainTextEdit *editor, int line)
{
    const QTextBlock block = editor->document()->findBlockByNumber(line - 1);
    if (!block.isValid()) {
        return;
    }
    editor->setTextCursor(QTextCursor(block));
    editor->centerCursor();
    editor->setFocus(Qt::OtherFocusReason);
}

bool GeheZuZeile::run(QPlainTextEdit *editor, QWidget *parent)
{
    GeheZuZeile dialog(editor->document()->blockCount(), editor->textCursor().blockNumber() + 1, parent);
    if (Prompts::instance().execDialog(dialog) != QDialog::Accepted || dialog.line() == 0) {
        return false;
    }
    goToLine(editor, dialog.line());
    return true;
}
