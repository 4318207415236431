#include "AlleTreffer.h"

#include "DocumentKinds.h"
#include "DocumentLibrary.h"
#include "EditingState.h"
#include "SearchHistory.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPoint>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <numeric>

namespace {

// What a row keeps beside its text, few values each, as tens of thousands
// of rows are made in a run: the document's list index (on document nodes;
// a line row takes its node's), where the line starts in the editor text and
// where the term starts in the line (as a point, in column 0), and where the
// mark starts in the cut line (column 1).
enum Role
{
    IndexRole = Qt::UserRole,
    PlaceRole,
    MarkStartRole = Qt::UserRole + 3,
};

// How often the results collected by the workers are put into the tree, and
// for how long at most each time: the window stays responsive.
constexpr int DrainIntervalMs = 16;
constexpr int DrainBudgetMs = 10;
constexpr int ExpandedDocuments = 20;

// Draws a line of the tree with a light background behind the term.
class MarkDelegate final : public QStyledItemDelegate
{
public:
    // term: the term of the rows shown, kept by the window.
    MarkDelegate(const QString *term, QObject *parent) : QStyledItemDelegate(parent), m_term(term) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QVariant start = index.data(MarkStartRole);
        if (!start.isValid() || m_term->isEmpty()) {
            return;
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        const QFontMetrics fm(option.font);
        const int margin = option.widget ? option.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1 : 3;
        const int x = option.rect.x() + margin + fm.horizontalAdvance(text.left(start.toInt()));
        const int width = fm.horizontalAdvance(text.mid(start.toInt(), m_term->size()));
        QColor mark = option.palette.color(QPalette::Highlight);
        mark.setAlpha(90);
        painter->fillRect(QRect(x, option.rect.y() + 1, width, option.rect.height() - 2), mark);
    }

private:
    const QString *m_term;
};

// Line numbers stand right-aligned.
class LineNumberDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.parent().isValid()) {
            option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
        }
    }
};

int indexOf(const QTreeWidgetItem *item)
{
    const QTreeWidgetItem *node = item->parent() ? item->parent() : item;
    return node->data(0, IndexRole).toInt();
}

QString documentPath(const DocumentLibrary *library, int index)
{
    if (library->isProjectView()) {
        return library->folder() + u'/' + library->listWidget()->item(index)->text() + u'/' +
               DocumentKinds::projectFileName();
    }
    return index < library->files().size() ? library->folder() + u'/' + library->files().at(index) : QString();
}

QString displayName(const QListWidgetItem *item)
{
    QString name = item->text();
    if (name.endsWith(u'\t')) {
        name.chop(1);
    }
    return name;
}

} // namespace

AlleTreffer::AlleTreffer(DocumentLibrary *library, QPlainTextEdit *text, QString historyFile, QWidget *parent)
    : QDialog(parent), m_library(library), m_text(text), m_historyFile(std::move(historyFile))
{
    setObjectName(QStringLiteral("AlleTreffer"));
    setWindowTitle(QStringLiteral(" Alle Treffer"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *label = new QLabel(QStringLiteral("Suchen nach:"), this);
    m_term = new QComboBox(this);
    m_term->setObjectName(QStringLiteral("TBegriff"));
    m_term->setEditable(true);
    m_term->setInsertPolicy(QComboBox::NoInsert);
    m_term->setMinimumContentsLength(24);
    label->setBuddy(m_term);
    m_case = new QCheckBox(QStringLiteral("Groß-/Kleinschreibung beachten"), this);
    m_case->setObjectName(QStringLiteral("BSchreibung"));
    m_start = new QPushButton(QStringLiteral("&Suchen"), this);
    m_start->setObjectName(QStringLiteral("CStart"));
    m_start->setDefault(true);
    m_start->setEnabled(false);
    m_stop = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_stop->setObjectName(QStringLiteral("CAbbrechen"));
    m_stop->setEnabled(false);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("Fortschritt"));
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LDokumente"));
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("Treffer"));
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({QStringLiteral("Dokument / Zeile"), QStringLiteral("Treffer")});
    m_tree->setUniformRowHeights(true);
    m_tree->setItemDelegateForColumn(0, new LineNumberDelegate(m_tree));
    m_tree->setItemDelegateForColumn(1, new MarkDelegate(&m_lastTerm, m_tree));
    m_tree->header()->setStretchLastSection(true);
    m_tree->setColumnWidth(0, 180);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_term, 0, 1);
    grid->addWidget(m_start, 0, 2);
    grid->addWidget(m_case, 1, 1);
    grid->addWidget(m_stop, 1, 2);
    grid->addWidget(m_bar, 2, 0, 1, 2);
    grid->addWidget(m_count, 2, 2);
    grid->addWidget(m_tree, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    resize(640, 420);

    m_drain = new QTimer(this);
    m_drain->setInterval(DrainIntervalMs);
    connect(m_drain, &QTimer::timeout, this, &AlleTreffer::drain);
    connect(m_term, &QComboBox::editTextChanged, this,
            [this](const QString &typed) { m_start->setEnabled(!typed.isEmpty()); });
    connect(m_start, &QPushButton::clicked, this, &AlleTreffer::start);
    connect(m_stop, &QPushButton::clicked, this, &AlleTreffer::cancel);
    connect(m_tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { activate(item); });
    fillHistory();
}

AlleTreffer::~AlleTreffer()
{
    qDeleteAll(m_discarded);
}

void AlleTreffer::fillHistory()
{
    // The list changes, what is typed stays.
    const QString typed = m_term->currentText();
    const QSignalBlocker quiet(m_term);
    m_term->clear();
    m_term->addItems(SearchHistory::read(m_historyFile));
    m_term->setCurrentIndex(-1);
    m_term->setEditText(typed);
}

void AlleTreffer::start()
{
    const QString term = m_term->currentText();
    if (term.isEmpty()) {
        return;
    }
    if (m_run) {
        m_run->cancel();
        finishRun(true);
    }
    m_lastTerm = term;
    m_lastCs = m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;

    const QListWidget *list = m_library->listWidget();
    QList<AllHits::Entry> entries;
    entries.reserve(list->count());
    const int shown = m_library->state().mIndex;
    for (int i = 0; i < list->count(); ++i) {
        AllHits::Entry entry{i, documentPath(m_library, i), displayName(list->item(i)), false, {}};
        // The shown document is searched as the user sees it, unsaved
        // changes included.
        if (i == shown && m_library->state().mChange && m_library->documentPath() == entry.path) {
            entry.fromEditor = true;
            entry.text = DocumentLibrary::editorText(m_text);
        }
        entries.append(std::move(entry));
    }
    m_bar->setRange(0, std::max<int>(1, int(entries.size())));
    m_bar->setValue(0);
    // The workers start before the rest is done here. The end of the run is
    // taken in at once rather than at the next round.
    m_run = std::make_unique<AllHits::Run>(std::move(entries), term, m_lastCs, m_threads, [this] {
        QMetaObject::invokeMethod(this, &AlleTreffer::drain, Qt::QueuedConnection);
    });
    // The rows of the last run leave the tree in one step; deleting tens of
    // thousands of them would stall the window, so that is done a few at a
    // time once the run has ended.
    m_discarded += m_tree->invisibleRootItem()->takeChildren();
    m_shownIndexes.clear();
    m_documents = 0;
    m_hits = 0;
    // As in the search dialog: a history that cannot be written only loses
    // the entry; the search itself goes on. Written in a turn of its own:
    // the write waits for the disk.
    QTimer::singleShot(0, this, [this, term] {
        (void)SearchHistory::save(m_historyFile, term);
        fillHistory();
    });
    m_stop->setEnabled(true);
    updateProgress();
    m_drain->start();
}

void AlleTreffer::cancel()
{
    if (!m_run) {
        return;
    }
    m_run->cancel();
    finishRun(true);
}

void AlleTreffer::drain()
{
    QElapsedTimer clock;
    clock.start();
    if (m_run) {
        takeResults(clock);
    }
    // Rows of earlier runs go once no run needs the time.
    while (!m_run && !m_discarded.isEmpty() && clock.elapsed() < DrainBudgetMs) {
        for (int i = 0; i < 64 && !m_discarded.isEmpty(); ++i) {
            delete m_discarded.takeLast();
        }
    }
    if (!m_run && m_discarded.isEmpty()) {
        m_drain->stop();
    }
}

void AlleTreffer::takeResults(const QElapsedTimer &clock)
{
    // Asked before taking: a run finished by then has nothing left after
    // this round.
    const bool finished = m_run->isFinished();
    QList<QTreeWidgetItem *> nodes;
    while (clock.elapsed() < DrainBudgetMs) {
        const QList<AllHits::Document> docs = m_run->take(64);
        if (docs.isEmpty()) {
            break;
        }
        for (const AllHits::Document &doc : docs) {
            nodes.append(documentNode(doc));
        }
    }
    insertNodes(std::move(nodes));
    updateProgress();
    if (finished) {
        finishRun(false);
    }
}

QTreeWidgetItem *AlleTreffer::documentNode(const AllHits::Document &doc)
{
    auto *node = new QTreeWidgetItem;
    node->setText(0, doc.name);
    node->setText(1, doc.hits == 1 ? QStringLiteral("1 Treffer") : QStringLiteral("%1 Treffer").arg(doc.hits));
    node->setData(0, IndexRole, doc.index);
    if (!doc.lines.isEmpty()) {
        node->setData(0, PlaceRole, QPoint(doc.lines.constFirst().start, doc.lines.constFirst().columns.constFirst()));
    }
    for (const AllHits::Line &line : doc.lines) {
        auto *row = new QTreeWidgetItem(node);
        const AllHits::Excerpt cut = AllHits::excerpt(line.text, line.columns.constFirst(), int(m_lastTerm.size()));
        row->setText(0, QString::number(line.number));
        row->setText(1, cut.text);
        row->setData(0, PlaceRole, QPoint(line.start, line.columns.constFirst()));
        row->setData(1, MarkStartRole, cut.markStart);
    }
    m_hits += doc.hits;
    return node;
}

void AlleTreffer::insertNodes(QList<QTreeWidgetItem *> nodes)
{
    if (nodes.isEmpty()) {
        return;
    }
    QList<int> indexes;
    indexes.reserve(nodes.size());
    for (const QTreeWidgetItem *node : std::as_const(nodes)) {
        indexes.append(indexOf(node));
    }
    QList<qsizetype> order(nodes.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&indexes](qsizetype a, qsizetype b) { return indexes[a] < indexes[b]; });
    QList<QTreeWidgetItem *> sorted;
    QList<int> sortedIndexes;
    sorted.reserve(nodes.size());
    sortedIndexes.reserve(nodes.size());
    for (const qsizetype i : std::as_const(order)) {
        sorted.append(nodes.at(i));
        sortedIndexes.append(indexes.at(i));
    }
    nodes = std::move(sorted);
    // Documents keep the order of the list, whichever worker found them.
    // Nodes that go to the same place go in together, one change of the
    // tree each; most often the whole batch goes to the end. From the back,
    // so that the places found stay valid. m_shownIndexes mirrors the
    // tree's nodes, so the places are found without asking the items.
    qsizetype last = nodes.size();
    while (last > 0) {
        const auto at = std::lower_bound(m_shownIndexes.cbegin(), m_shownIndexes.cend(), sortedIndexes.at(last - 1));
        const qsizetype low = at - m_shownIndexes.cbegin();
        qsizetype first = last - 1;
        // The nodes before it that also come after the tree's node at low - 1.
        while (first > 0 && (low == 0 || sortedIndexes.at(first - 1) > m_shownIndexes.at(low - 1))) {
            --first;
        }
        m_tree->insertTopLevelItems(int(low), nodes.mid(first, last - first));
        m_shownIndexes.insert(low, last - first, 0);
        std::copy(sortedIndexes.cbegin() + first, sortedIndexes.cbegin() + last, m_shownIndexes.begin() + low);
        last = first;
    }
    // The first documents open, so that lines show at once; a long list
    // stays a list of documents.
    for (qsizetype i = 0; i < nodes.size() && m_documents + i < ExpandedDocuments; ++i) {
        nodes.at(i)->setExpanded(true);
    }
    m_documents += int(nodes.size());
}

void AlleTreffer::updateProgress()
{
    if (!m_run) {
        return;
    }
    m_bar->setValue(m_run->examined());
    m_count->setText(QStringLiteral("%1 von %2").arg(m_run->examined()).arg(m_run->total()));
}

void AlleTreffer::finishRun(bool cancelled)
{
    if (m_discarded.isEmpty()) {
        m_drain->stop();
    }
    if (m_run) {
        updateProgress();
        m_run.reset();
    }
    m_stop->setEnabled(false);
    if (!cancelled) {
        m_count->setText(QStringLiteral("%1 Treffer in %2 Dokumenten").arg(m_hits).arg(m_documents));
    }
    Q_EMIT runEnded(cancelled);
}

void AlleTreffer::activate(QTreeWidgetItem *item)
{
    if (!item || m_library->isBusy() || m_lastTerm.isEmpty()) {
        return;
    }
    const int index = indexOf(item);
    const QPoint place = item->data(0, PlaceRole).toPoint();
    const int lineStart = place.x();
    const int column = place.y();
    QListWidget *list = m_library->listWidget();
    if (index < 0 || index >= list->count()) {
        return;
    }
    const QString path = documentPath(m_library, index);
    if (list->currentRow() != index) {
        // The normal selection: the unsaved-changes question may stop it.
        list->setCurrentRow(index);
        if (list->currentRow() != index) {
            return;
        }
    } else if (m_library->documentPath() != path) {
        // The list entry is selected, but another file is shown (a favourite
        // from elsewhere): the entry's document is loaded again.
        m_library->documentSelected();
    }
    if (m_library->documentPath() != path) {
        return;
    }
    const QString text = DocumentLibrary::editorText(m_text);
    const qsizetype length = m_lastTerm.size();
    qsizetype at = lineStart + column;
    if (at + length > text.size() || QStringView(text).mid(at, length).compare(m_lastTerm, m_lastCs) != 0) {
        // The text was changed since the run: the nearest occurrence.
        at = text.indexOf(m_lastTerm, std::min<qsizetype>(lineStart, text.size()), m_lastCs);
        if (at < 0) {
            at = text.indexOf(m_lastTerm, 0, m_lastCs);
        }
    }
    if (at < 0) {
        return;
    }
    QTextCursor cursor(m_text->document());
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + length), QTextCursor::KeepAnchor);
    m_text->setTextCursor(cursor);
    m_text->centerCursor();
    if (QWidget *window = m_text->window()) {
        window->activateWindow();
    }
    m_text->setFocus();
}

void AlleTreffer::reject()
{
    cancel();
    QDialog::reject();
    close();
}

void AlleTreffer::closeEvent(QCloseEvent *event)
{
    cancel();
    QDialog::closeEvent(event);
}
