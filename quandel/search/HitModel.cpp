#include "HitModel.h"

#include <malloc.h>

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
    endResetModel();
    // Freed rows would otherwise stay with the process as free heap; a
    // few MB are not worth the walk over the heap.
    if (bytes > TrimBytes) {
        malloc_trim(0);
    }
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
    if (row < 0 || column < 0 || column >= 2) {
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
    return 2;
}

QVariant HitModel::data(const QModelIndex &index, int role) const
{
    const Node *node = nodeOf(index);
    if (!node) {
        return {};
    }
    if (!index.internalPointer()) {
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
            return index.column() == 0 ? node->name : hitsText(qsizetype(node->document.hits.size()));
        }
        return {};
    }
    const AllHits::Hit &hit = node->document.hits.at(size_t(index.row()));
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? QVariant(QString::number(hit.line))
                                   : QVariant(node->document.rowText(hit).toString());
    case Qt::AccessibleTextRole:
        return index.column() == 0 ? QVariant(QStringLiteral("Zeile %1").arg(hit.line))
                                   : QVariant(node->document.rowText(hit).toString());
    case Qt::TextAlignmentRole:
        return index.column() == 0 ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case MarkStartRole:
        return index.column() == 1 ? QVariant(int(hit.markStart)) : QVariant();
    default:
        return {};
    }
}

QVariant HitModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return section == 0 ? QStringLiteral("Dokument / Zeile") : QStringLiteral("Treffer");
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
    return f;
}
