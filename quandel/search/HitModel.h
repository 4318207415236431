#pragma once

#include "AllHits.h"

#include <QAbstractItemModel>

#include <functional>
#include <memory>
#include <vector>

// The results of an all-hits run as a tree: one node per document (its name
// and count), one row per hit under it (line number, the line or a cut of
// it). Rows are read from the documents' compact hits; nothing is made per
// row until a view asks for it.
class HitModel final : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HitModel)

public:
    enum Role
    {
        // On a hit row's text column: where the term starts in it.
        MarkStartRole = Qt::UserRole + 1,
    };

    // Where a row points: the document's list index, the line (1-based) and
    // the column of the term in it. A node points at its first hit.
    struct Place
    {
        int listIndex = -1;
        int line = 0;
        int column = 0;
    };

    explicit HitModel(QObject *parent = nullptr);
    ~HitModel() override;

    // Adds documents in any order; the nodes keep the order of the list.
    // nameOf gives a document's display name by its list index.
    void add(QList<AllHits::Document> documents, const std::function<QString(int)> &nameOf);
    // Drops every result and gives the memory back.
    void clear();

    int documentCount() const { return int(m_nodes.size()); }
    qsizetype hitCount() const { return m_hits; }
    Place placeOf(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Node
    {
        AllHits::Document document;
        QString name;
        int row = 0; // its place among the nodes
    };
    const Node *nodeOf(const QModelIndex &index) const;

    std::vector<std::unique_ptr<Node>> m_nodes; // in the order of the list
    qsizetype m_hits = 0;
};
