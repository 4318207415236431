#include "HitModel.h"

#include "Heap.h"

#include <algorithm>

namespace {

constexpr qsizetype TrimBytes = 8 * 1024 * 1024;

QString hitsText(qsizetype hits)
{
    return QStringLiteral("%1 Treffer").arg(hits);
}

} // namespace

HitModel::HitModel(QObject *parent) : QAbstractItemModel(parent) {}

HitModel::~HitModel() = default;

void HitModel::add(QList<AllHits::Document> documents, const std::function<QString(int)> &nameOf)
{
    if (documents.isEmpty()) {
        return;
    }
    std::sort(documents.begin(), documents.end(),
              [](const AllHits::Document &a, const AllHits::Document &b) { return a.index < b.index; });
    // Documents that go to the same place go in together, one change each;
    // most often the whole batch goes to the end. From the back, so that
    // the places found stay valid.
    qsizetype last = documents.size();
    while (last > 0) {
        const int listIndex = documents.at(last - 1).index;
        const auto at = std::lower_bound(m_nodes.cbegin(), m_nodes.cend(), listIndex,
                                         [](const std::unique_ptr<Node> &n, int i) { return n->document.index < i; });
        const auto low = int(at - m_nodes.cbegin());
        qsizetype first = last - 1;
        while (first > 0 && (low == 0 || documents.at(first - 1).index > m_nodes.at(size_t(low - 1))->document.index)) {
            --first;
        }
        beginInsertRows({}, low, low + int(last - first) - 1);
        std::vector<std::unique_ptr<Node>> batch;
        batch.reserve(size_t(last - first));
        for (qsizetype i = first; i < last; ++i) {
            auto node = std::make_unique<Node>();
            node->name = nameOf(documents.at(i).index);
            node->document = std::move(documents[i]);
            m_hits += qsizetype(node->document.hits.size());
            if (m_replaceMode) {
                node->ticked.assign(node->document.hits.size(), true);
                node->tickedCount = qsizetype(node->document.hits.size());
                m_ticked += node->tickedCount;
            }
            batch.push_back(std::move(node));
        }
        m_nodes.insert(m_nodes.begin() + low, std::make_move_iterator(batch.begin()),
                       std::make_move_iterator(batch.end()));
        for (size_t r = size_t(low); r < m_nodes.size(); ++r) {
            m_nodes[r]->row = int(r);
        }
        endInsertRows();
        last = first;
    }
}

void HitModel::clear()
{
    if (m_nodes.empty()) {
        return;
    }
    qsizetype bytes = 0;
    for (const auto &node : m_nodes) {
        bytes += node->document.pool.size() * qsizetype(sizeof(QChar)) +
                 qsizetype(node->document.hits.size() * sizeof(AllHits::Hit));
    }
    beginResetModel();
    std::vector<std::unique_ptr<Node>>().swap(m_nodes);
    m_hits = 0;
    m_ticked = 0;
    endResetModel();
    // Freed rows would otherwise stay with the process as free heap; a
    // few MB are not worth the walk over the heap.
    if (bytes > TrimBytes) {
        Heap::giveBack();
    }
}

void HitModel::setReplaceMode(bool on)
{
    if (on == m_replaceMode) {
        return;
    }
    clear();
    beginResetModel();
    m_replaceMode = on;
    endResetModel();
}

const AllHits::Document &HitModel::document(int documentRow) const
{
    static const AllHits::Document none;
    return documentRow >= 0 && documentRow < int(m_nodes.size()) ? m_nodes.at(size_t(documentRow))->document : none;
}

std::vector<bool> HitModel::ticked(int documentRow) const
{
    if (documentRow < 0 || documentRow >= int(m_nodes.size())) {
        return {};
    }
    const Node &node = *m_nodes.at(size_t(documentRow));
    return m_replaceMode ? node.ticked : std::vector<bool>(node.document.hits.size(), true);
}

const HitModel::Node *HitModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return nullptr;
    }
    if (const auto *node = static_cast<const Node *>(index.internalPointer())) {
        return node;
    }
    return index.row() < int(m_nodes.size()) ? m_nodes.at(size_t(index.row())).get() : nullptr;
}

HitModel::Place HitModel::placeOf(const QModelIndex &index) const
{
    const Node *node = nodeOf(index);
    if (!node || node->document.hits.empty()) {
        return {};
    }
    const bool isHit = index.internalPointer() != nullptr;
    const AllHits::Hit &hit = node->document.hits.at(isHit ? size_t(index.row()) : 0);
    return {node->document.index, hit.line, hit.column};
}

QModelIndex HitModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount()) {
        return {};
    }
    if (!parent.isValid()) {
        return row < int(m_nodes.size()) ? createIndex(row, column, nullptr) : QModelIndex();
    }
    if (parent.internalPointer() || parent.row() >= int(m_nodes.size())) {
        return {};
    }
    Node *node = m_nodes.at(size_t(parent.row())).get();
    return row < int(node->document.hits.size()) ? createIndex(row, column, node) : QModelIndex();
}

QModelIndex HitModel::parent(const QModelIndex &child) const
{
    const auto *node = child.isValid() ? static_cast<const Node *>(child.internalPointer()) : nullptr;
    return node ? createIndex(node->row, 0, nullptr) : QModelIndex();
}

int HitModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid()) {
        return int(m_nodes.size());
    }
    if (parent.internalPointer() || parent.column() != 0 || parent.row() >= int(m_nodes.size())) {
        return 0;
    }
    return int(m_nodes.at(size_t(parent.row()))->document.hits.size());
}

int HitModel::columnCount(const QModelIndex &) const
{
    return m_replaceMode ? 3 : 2;
}

QVariant HitModel::data(const QModelIndex &index, int role) const
{
    const Node *node = nodeOf(index);
    if (!node) {
        return {};
    }
    const bool checkable = m_replaceMode && index.column() == PlaceColumn;
    if (!index.internalPointer()) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
            if (index.column() == PlaceColumn) {
                return node->name;
            }
            return index.column() == TextColumn ? QVariant(hitsText(qsizetype(node->document.hits.size())))
                                                : QVariant();
        }
        if (role == Qt::CheckStateRole && checkable) {
            if (node->tickedCount == 0) {
                return Qt::Unchecked;
            }
            return node->tickedCount == qsizetype(node->ticked.size()) ? Qt::Checked : Qt::PartiallyChecked;
        }
        return {};
    }
    const auto row = size_t(index.row());
    const AllHits::Hit &hit = node->document.hits.at(row);
    const bool after = index.column() == AfterColumn;
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == PlaceColumn) {
            return QString::number(hit.line);
        }
        return after ? node->document.afterText(row).toString() : node->document.rowText(hit).toString();
    case Qt::AccessibleTextRole:
        if (index.column() == PlaceColumn) {
            return QStringLiteral("Zeile %1").arg(hit.line);
        }
        return after ? node->document.afterText(row).toString() : node->document.rowText(hit).toString();
    case Qt::TextAlignmentRole:
        return index.column() == PlaceColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::CheckStateRole:
        return checkable ? QVariant(node->ticked.at(row) ? Qt::Checked : Qt::Unchecked) : QVariant();
    case MarkStartRole:
        if (index.column() == TextColumn) {
            return int(hit.markStart);
        }
        return after && row < node->document.after.size() ? QVariant(int(node->document.after[row].markStart))
                                                          : QVariant();
    case MarkLengthRole:
        if (index.column() == TextColumn) {
            return int(hit.markLength);
        }
        return after && row < node->document.after.size() ? QVariant(int(node->document.after[row].markLength))
                                                          : QVariant();
    default:
        return {};
    }
}

bool HitModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_replaceMode || role != Qt::CheckStateRole || index.column() != PlaceColumn) {
        return false;
    }
    Node *node = const_cast<Node *>(nodeOf(index));
    if (!node) {
        return false;
    }
    const bool tick = value.value<Qt::CheckState>() != Qt::Unchecked;
    const QModelIndex nodeIndex = createIndex(node->row, PlaceColumn, nullptr);
    if (index.internalPointer()) {
        auto bit = node->ticked.at(size_t(index.row()));
        if (bit == tick) {
            return true;
        }
        bit = tick;
        node->tickedCount += tick ? 1 : -1;
        m_ticked += tick ? 1 : -1;
        Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    } else {
        const auto count = qsizetype(node->ticked.size());
        std::fill(node->ticked.begin(), node->ticked.end(), tick);
        m_ticked += (tick ? count : 0) - node->tickedCount;
        node->tickedCount = tick ? count : 0;
        if (count > 0) {
            Q_EMIT dataChanged(createIndex(0, PlaceColumn, node), createIndex(int(count) - 1, PlaceColumn, node),
                               {Qt::CheckStateRole});
        }
    }
    Q_EMIT dataChanged(nodeIndex, nodeIndex, {Qt::CheckStateRole});
    return true;
}

QVariant HitModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case PlaceColumn:
        return QStringLiteral("Dokument / Zeile");
    case TextColumn:
        return m_replaceMode ? QStringLiteral("Vorher") : QStringLiteral("Treffer");
    default:
        return QStringLiteral("Nachher");
    }
}

Qt::ItemFlags HitModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.internalPointer()) {
        f |= Qt::ItemNeverHasChildren;
    }
    if (m_replaceMode && index.column() == PlaceColumn) {
        f |= Qt::ItemIsUserCheckable;
    }
    return f;
}
