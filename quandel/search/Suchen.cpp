#include "Suchen.h"

#include "SearchHistory.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

Suchen::Suchen(const QString &historyFile, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_historyFile(historyFile)
{
    setObjectName(QStringLiteral("Suchen"));
    setWindowTitle(QStringLiteral(" Suchen"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *layout = new QGridLayout(this);
    auto *label = new QLabel(QStringLiteral("Suchen nach:"), this);
    label->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(label, 0, 0);

    m_text1 = new QComboBox(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setEditable(true);
    m_text1->setInsertPolicy(QComboBox::NoInsert);
    // The term is searched as typed. The history is offered in the list, but
    // a completer would put an entry in its place: one of another case
    // ("abc" for "ABC"), or a longer one for its start ("abc" for "ab").
    m_text1->setCompleter(nullptr);
    m_text1->setMinimumWidth(260);
    // The dialog keeps its width whatever the history holds: long terms are
    // cut short with an ellipsis in the list instead.
    m_text1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_text1->setMinimumContentsLength(24);
    m_text1->view()->setTextElideMode(Qt::ElideMiddle);
    m_text1->lineEdit()->setAccessibleName(QStringLiteral("Suchbegriff"));
    label->setBuddy(m_text1);
    layout->addWidget(m_text1, 0, 1);

    auto *frame = new QGroupBox(QStringLiteral("Suchrichtung"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *frameLayout = new QHBoxLayout(frame);
    m_forward = new QRadioButton(QStringLiteral("vorwärts "), frame);
    m_forward->setObjectName(QStringLiteral("OVorwärts"));
    m_forward->setChecked(true);
    m_backward = new QRadioButton(QStringLiteral("rückwärts "), frame);
    m_backward->setObjectName(QStringLiteral("ORückwärts"));
    frameLayout->addWidget(m_forward);
    frameLayout->addWidget(m_backward);
    layout->addWidget(frame, 1, 0, 1, 2);

    m_case = new QCheckBox(QStringLiteral("Groß-/Kleinschreibung beachten"), this);
    m_case->setObjectName(QStringLiteral("BSchreibung"));
    layout->addWidget(m_case, 2, 0, 1, 2);

    auto *buttons = new QVBoxLayout;
    m_search = new QPushButton(QStringLiteral("&Suchen"), this);
    m_search->setObjectName(QStringLiteral("CSuchen"));
    m_search->setDefault(true);
    m_search->setEnabled(false);
    m_cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cancel->setObjectName(QStringLiteral("CAbbrechen"));
    buttons->addWidget(m_search);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 3, 1);

    m_indexKey = new QLabel(QStringLiteral("INDEX"), this);
    m_indexKey->setObjectName(QStringLiteral("LIndexKey"));
    m_indexKey->hide();

    setTabOrder(m_text1, m_forward);
    setTabOrder(m_forward, m_backward);
    setTabOrder(m_backward, m_case);
    setTabOrder(m_case, m_search);
    setTabOrder(m_search, m_cancel);

    connect(m_text1, &QComboBox::editTextChanged, this, &Suchen::updateSearchButton);
    connect(m_text1, &QComboBox::activated, this, &Suchen::updateSearchButton);
    connect(m_search, &QPushButton::clicked, this, [this] {
        if (!term().isEmpty()) {
            Q_EMIT searchRequested();
        }
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::close);

    ReadingSearch();
    // ReadingSearch picks the first term of the list; a new dialog starts empty.
    m_text1->setEditText(QString());
}

QString Suchen::term() const
{
    return m_text1->currentText();
}

void Suchen::setTerm(const QString &term)
{
    m_text1->setEditText(term);
}

bool Suchen::forward() const
{
    return m_forward->isChecked();
}

Qt::CaseSensitivity Suchen::caseSensitivity() const
{
    return m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

void Suchen::setOriginIndex(int index)
{
    m_indexKey->setText(QString::number(index));
}

void Suchen::ReadingSearch()
{
    bool exists = false;
    const QStringList terms = SearchHistory::read(m_historyFile, &exists);
    if (!exists) {
        return;
    }
    m_text1->clear();
    m_text1->addItems(terms);
    m_text1->setEditText(QString());
}

void Suchen::SavingSearch()
{
    // The history only offers earlier terms again; a search whose term could
    // not be kept runs all the same.
    (void)SearchHistory::save(m_historyFile, term());
}

void Suchen::updateSearchButton()
{
    m_search->setEnabled(!term().isEmpty());
}

void Suchen::closeEvent(QCloseEvent *event)
{
    Q_EMIT closing();
    QDialog::closeEvent(event);
}

Weitersuchen::Weitersuchen(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Weitersuchen"));
    setWindowTitle(QStringLiteral(" Suchen"));
    setModal(false);

    auto *layout = new QVBoxLayout(this);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("Animis"));
    m_bar->setRange(0, 0);
    m_bar->setMinimumWidth(280);
    layout->addWidget(m_bar);
    auto *wait = new QLabel(QStringLiteral("Einen Moment bitte ..."), this);
    wait->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(wait);
    auto *what = new QLabel(QStringLiteral("Dokumente werden durchsucht."), this);
    what->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(what);
    m_cancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cancel->setObjectName(QStringLiteral("BAbbrechen"));
    m_cancel->setDefault(true);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancel->setEnabled(false); });
}

void Weitersuchen::setTotal(int total)
{
    m_bar->setRange(0, std::max(1, total));
}

void Weitersuchen::setExamined(int examined)
{
    m_bar->setValue(std::min(examined, m_bar->maximum()));
}

bool Weitersuchen::cancelRequested() const
{
    return !m_cancel->isEnabled();
}

void Weitersuchen::reject()
{
    // Escape presses the cancel button.
    if (m_cancel->isEnabled()) {
        m_cancel->click();
    }
}

void Weitersuchen::closeEvent(QCloseEvent *event)
{
    // Closing the window while a run goes on asks the run to stop; the run
    // closes the window itself when it ends.
    if (m_cancel->isEnabled() && isVisible()) {
        m_cancel->click();
    }
    QDialog::closeEvent(event);
}
