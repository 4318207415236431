#include "Favoriten.h"

#include "DragList.h"
#include "FavouritesMenu.h"
#include "FavouritesStore.h"
#include "FileSystem.h"
#include "Prompts.h"
#include "Settings.h"
#include "Tooltips.h"
#include "Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int BrowseHeight = 4820; // twips
constexpr int EditHeight = 5155;
constexpr int Width = 6750;

// Tip colours as the tooltip class takes them: a colour with the high bit set
// names a colour of the desktop theme (24: the tooltip background), any
// other is 0x00BBGGRR.
constexpr quint32 ThemeTipBackground = 0x80000000U | 24U;
constexpr quint32 BrokenLinkTipBackground = 0x0095AFE6U; // light salmon

// How long a tip stays, in milliseconds, and how soon it shows.
constexpr int TipShownMs = 5000;
constexpr int BrokenLinkTipShownMs = 10000;
constexpr int DragHintShownMs = 10000;
constexpr int TipDelayMs = 100;

const QString DragHint = QStringLiteral("Klicken Sie den Eintrag mit der linken Maustaste und halten Sie diese "
                                        "gedrückt. Ziehen Sie nun das Element nun in die gewünschte Position.");

QStringList fieldsOf(const QListWidgetItem *item)
{
    QStringList fields = item ? item->data(Favoriten::EntryRole).toStringList() : QStringList();
    while (fields.size() < 3) {
        fields.append(QString());
    }
    return fields;
}

// The whole entry, TABs included: no name typed into the edit box can equal
// it, so moving in the list during an edit always ends the edit.
QString entryText(const QListWidgetItem *item)
{
    const QStringList fields = fieldsOf(item);
    return item->text() + u'\t' + fields.at(1) + u'\t' + fields.at(2);
}

// The dialog is laid out in twips at 96 dots per inch.
int px(int twips)
{
    return Twips::toPixels(float(twips));
}

} // namespace

Favoriten::Favoriten(FavouritesMenu *menu, QWidget *mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_menu(menu)
{
    setObjectName(QStringLiteral("Favoriten"));
    setWindowTitle(QStringLiteral(" Tivorn Quandel Favoriten"));

    // Fixed places, like the dialog was drawn: the list on the left, the
    // buttons on the right, the name box below the list while editing.
    m_list = new DragListWidget(this);
    m_list->setObjectName(QStringLiteral("LDaten"));
    m_list->setAccessibleName(QStringLiteral("Favoriten"));
    m_list->setAccessibleDescription(
        QStringLiteral("Aufwärts (Alt+U) und Abwärts (Alt+B) verschieben den gewählten Eintrag; "
                       "mit der Maus ziehen ändert die Reihenfolge ebenso"));
    m_list->setGeometry(px(120), px(120), px(4680), px(4000));
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("TName"));
    m_edit->setAccessibleName(QStringLiteral("Neuer Name"));
    m_edit->setGeometry(px(120), px(4230), px(4680), px(315));
    m_edit->hide();

    const auto button = [this](const QString &name, const QString &caption, int top) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(px(4950), px(top), px(1650), px(375));
        return b;
    };
    m_ready = button(QStringLiteral("BReady"), QStringLiteral("&Ok"), 120);
    m_ready->setDefault(true);
    m_ready->setAutoDefault(false);
    m_cancel = button(QStringLiteral("BAbbrechen"), QStringLiteral("&Abbrechen"), 570);
    m_apply = button(QStringLiteral("BHinzufügen"), QStringLiteral("Übernehmen"), 1170);
    m_editButton = button(QStringLiteral("BBearbeiten"), QStringLiteral("Bearbeiten"), 1620);
    m_remove = button(QStringLiteral("BEntfernen"), QStringLiteral("&Löschen"), 2070);
    m_up = button(QStringLiteral("BAufwärts"), QStringLiteral("A&ufwärts"), 2670);
    m_down = button(QStringLiteral("BAbwärts"), QStringLiteral("A&bwärts"), 3120);
    for (QPushButton *b : {m_cancel, m_apply, m_editButton, m_remove, m_up, m_down}) {
        b->setAutoDefault(false);
    }
    setFixedSize(px(Width), px(BrowseHeight));

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, &Favoriten::stateUpdate);

    connect(m_ready, &QPushButton::clicked, this, &Favoriten::save);
    connect(m_cancel, &QPushButton::clicked, this, &Favoriten::reject);
    connect(m_apply, &QPushButton::clicked, this, &Favoriten::applyName);
    connect(m_editButton, &QPushButton::clicked, this, &Favoriten::startEdit);
    connect(m_remove, &QPushButton::clicked, this, &Favoriten::deleteEntry);
    connect(m_up, &QPushButton::clicked, this, &Favoriten::moveUp);
    connect(m_down, &QPushButton::clicked, this, &Favoriten::moveDown);
    connect(m_list, &QListWidget::currentRowChanged, this, &Favoriten::selectionChanged);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &Favoriten::startEdit);
    connect(m_list, &DragListWidget::dragging, this, &Favoriten::attachDragHint);
    m_list->installEventFilter(this);
    // Without tracking, Qt drops the pointer moves that carry no button, and
    // a move over the list would never end an edit.
    m_list->viewport()->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_edit->installEventFilter(this);

    load();
    m_timer->start();
}

Favoriten::~Favoriten()
{
    m_list->detach();
}

bool Favoriten::isEditing() const
{
    return !m_edit->isHidden();
}

void Favoriten::appendEntry(const QString &name, const QString &datei, const QString &dir, bool broken)
{
    auto *item = new QListWidgetItem(broken ? QString(name + brokenMarker()) : name, m_list);
    item->setData(EntryRole, QStringList{name, datei, dir});
}

void Favoriten::load()
{
    m_list->clear();
    if (QWidget *main = parentWidget()) {
        move(main->frameGeometry().topLeft() + QPoint(px(800), px(2000)));
    }
    m_toolTips = Settings::read(Settings::ToolTips);
    m_list->attach();

    int lastBroken = -1;
    const QString dataFile = m_menu->dataFile();
    if (QFileInfo::exists(dataFile)) {
        for (int slot = 1; slot <= FavouritesStore::MaxSlots; ++slot) {
            const Favourite favourite = FavouritesStore::read(dataFile, slot);
            if (favourite.isFree()) {
                continue;
            }
            const bool broken = !FileExists(favourite.fullPath());
            appendEntry(favourite.name, favourite.datei, favourite.dir, broken);
            if (broken) {
                lastBroken = m_list->count() - 1;
            }
        }
    }
    if (m_list->count() > 0) {
        m_list->setCurrentRow(0);
    }
    if (m_toolTips) {
        m_tips = new Tooltips_Class(this);
        m_tips->Create(this, 0);
        showEntryTip();
    }
    stateUpdate();
    if (lastBroken > 0) {
        m_list->setCurrentRow(lastBroken);
    }
}

void Favoriten::selectionChanged()
{
    if (m_list->count() == 0) {
        return;
    }
    if (isEditing()) {
        cancelEdit();
    }
    const QStringList fields = fieldsOf(m_list->currentItem());
    m_name = fields.at(0);
    m_datei = fields.at(1);
    m_dir = fields.at(2);
    m_error = !FileExists(Favourite{m_name, m_datei, m_dir}.fullPath());
    if (m_toolTips) {
        showEntryTip();
    }
}

void Favoriten::showEntryTip()
{
    if (!m_tips || !m_list->currentItem()) {
        return;
    }
    const QString ending = m_datei.right(3).toLower();
    QString kind;
    if (ending == u"txt") {
        kind = QStringLiteral("Hilfe Dokument");
    } else if (ending == u"bas" || ending == u"cls") {
        kind = QStringLiteral("Klassen-/Modul Dokument");
    } else if (ending == u"vbp") {
        kind = QStringLiteral("Visual Basic Projekt");
    }
    const QString position = QStringLiteral("Position: ") + QString::number(m_list->currentRow() + 1) +
                             QStringLiteral(" / ") + QString::number(m_list->count());
    const QString text = m_error ? QString(m_name + u'\n' + m_dir + u'\n' + m_datei + u'\n' + position)
                                 : QString(m_name + u'\n' + position);
    m_tips->AddTool(m_list, 0, text);
    m_tips->setTitle(kind);
    m_tips->SetDelayTime(TooltipWindow::AutoPop, TipShownMs);
    m_tips->SetDelayTime(TooltipWindow::Initial, TipDelayMs);
    m_tips->SetDelayTime(TooltipWindow::Reshow, TipDelayMs);
    m_tips->setMaxTipWidth(300);
    m_tips->setBackColor(ThemeTipBackground);
    if (m_error) {
        m_tips->setBackColor(BrokenLinkTipBackground);
        m_tips->setTitle(QStringLiteral("Verknüpfungsfehler"));
        m_tips->SetDelayTime(TooltipWindow::AutoPop, BrokenLinkTipShownMs);
        m_tips->setMaxTipWidth(450);
    }
}

void Favoriten::attachDragHint()
{
    if (!m_toolTips || !m_tips) {
        return;
    }
    for (QWidget *control :
         {static_cast<QWidget *>(m_list), static_cast<QWidget *>(m_up), static_cast<QWidget *>(m_down)}) {
        m_tips->AddTool(control, 0, DragHint);
    }
    m_tips->setTitle(QStringLiteral("Drag´n Drop"));
    m_tips->SetDelayTime(TooltipWindow::AutoPop, DragHintShownMs);
    m_tips->SetDelayTime(TooltipWindow::Initial, TipDelayMs);
    m_tips->SetDelayTime(TooltipWindow::Reshow, TipDelayMs);
    m_tips->setMaxTipWidth(260);
}

void Favoriten::startEdit()
{
    if (!m_list->currentItem()) {
        return;
    }
    selectionChanged();
    m_edit->setText(m_name);
    m_apply->setEnabled(true);
    stateUpdate();
    m_edit->setFocus();
    m_edit->selectAll();
    QCoreApplication::processEvents();
}

void Favoriten::applyName()
{
    const int i = m_list->currentRow();
    if (i < 0) {
        return;
    }
    // The new name is taken as typed; a renamed entry is no longer marked.
    QListWidgetItem *item = m_list->item(i);
    const QString name = m_edit->text();
    item->setText(name);
    item->setData(EntryRole, QStringList{name, m_datei, m_dir});
    m_edit->clear();
    m_list->setCurrentRow(i);
    m_name = name;
    m_list->setFocus();
    stateUpdate();
}

void Favoriten::cancelEdit()
{
    m_edit->clear();
    m_list->setFocus();
    stateUpdate();
}

void Favoriten::DataIndexCheck()
{
    if (!isEditing() || !qobject_cast<QListWidget *>(QApplication::focusWidget())) {
        return;
    }
    const QListWidgetItem *item = m_list->currentItem();
    if (!item || entryText(item) != m_edit->text()) {
        m_edit->clear();
        stateUpdate();
    }
}

void Favoriten::deleteEntry()
{
    const int i = m_list->currentRow();
    if (i < 0) {
        return;
    }
    const Prompts::Answer answer = Prompts::instance().message(
        this, QStringLiteral("Möchten Sie den Eintrag ''") + m_name + QStringLiteral("'' wirklich entfernen ?  "),
        QStringLiteral(" Favoriten entfernen"), Prompts::Buttons::YesNo, Prompts::Icon::Exclamation);
    if (answer == Prompts::Answer::No) {
        return;
    }
    {
        const QSignalBlocker block(m_list);
        delete m_list->takeItem(i);
    }
    if (m_list->count() > 0) {
        m_list->setCurrentRow(-1);
        m_list->setCurrentRow(i == 0 ? 0 : i - 1);
    } else {
        m_list->setCurrentRow(-1);
        m_name.clear();
        m_datei.clear();
        m_dir.clear();
    }
    stateUpdate();
}

void Favoriten::moveUp()
{
    MoveItemUp(m_list);
    attachDragHint();
    // The moved entry at its new place is what the user looks at next; the
    // button may be disabled by now, at the end of the list.
    m_list->setFocus(Qt::OtherFocusReason);
}

void Favoriten::moveDown()
{
    MoveItemDown(m_list);
    attachDragHint();
    m_list->setFocus(Qt::OtherFocusReason);
}

void Favoriten::stateUpdate()
{
    const int selected = m_list->currentItem() ? m_list->currentRow() : -1;
    const bool editText = !m_edit->text().isEmpty();
    if (selected < 0) {
        m_remove->setEnabled(false);
    } else if (!isEditing()) {
        m_remove->setEnabled(true);
    }
    if (selected < 0 || !isEditing()) {
        if (selected >= 0) {
            m_up->setEnabled(selected != 0 && !editText);
        }
        m_down->setEnabled(!(selected == m_list->count() - 1 || editText));
    }
    if (editText) {
        m_ready->setEnabled(false);
        m_apply->setEnabled(true);
        m_remove->setEnabled(false);
        m_edit->show();
        setFixedSize(px(Width), px(EditHeight));
    } else {
        m_ready->setEnabled(true);
        m_apply->setEnabled(false);
        m_edit->hide();
        setFixedSize(px(Width), px(BrowseHeight));
    }
}

void Favoriten::save()
{
    if (isEditing()) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    hide();
    // The marker for broken links belongs to this dialog only: the fields
    // never carry it.
    QList<Favourite> favourites;
    for (int row = 0; row < m_list->count(); ++row) {
        const QStringList fields = fieldsOf(m_list->item(row));
        favourites.append({fields.at(0), fields.at(1), fields.at(2)});
    }
    // Failures are not reported, as with every write of the records; the
    // file then keeps its old records whole.
    (void)FavouritesStore::replaceAll(m_menu->dataFile(), favourites);
    m_menu->resetItems();
    for (int slot = 1; slot <= favourites.size() && slot <= FavouritesStore::MaxSlots; ++slot) {
        m_menu->showItem(slot, favourites.at(slot - 1).name);
    }
    QApplication::restoreOverrideCursor();
    unload();
    accept();
}

void Favoriten::unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    m_timer->stop();
    m_list->detach();
    if (m_tips) {
        m_tips->HideTips();
    }
}

void Favoriten::reject()
{
    // Escape and the cancel button end an edit first; only then they close.
    if (isEditing()) {
        cancelEdit();
        return;
    }
    unload();
    QDialog::reject();
}

void Favoriten::closeEvent(QCloseEvent *event)
{
    // Closing through the window frame closes, also during an edit.
    unload();
    event->accept();
    done(QDialog::Rejected);
}

bool Favoriten::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_list && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (isEditing()) {
                cancelEdit();
            }
            startEdit();
            return true;
        }
    }
    if (watched == m_list && type == QEvent::KeyRelease) {
        DataIndexCheck();
    }
    if (watched == m_list->viewport()) {
        if (type == QEvent::MouseMove) {
            DataIndexCheck();
        } else if (type == QEvent::MouseButtonRelease && m_toolTips) {
            showEntryTip();
        }
    }
    if (watched == m_edit && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            applyName();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cancelEdit();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
