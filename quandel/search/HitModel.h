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
//
// In replace mode the rows show the line before and after the replace and
// have check boxes: every hit is ticked at first, a document's box shows
// whether all, some or none of its hits are, and ticking it ticks them all.
class HitModel final : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HitModel)

public:
    enum Role
    {
        // On a hit row's text columns: where the match (or in the column
        // after the replace, its replacement) starts in it, and its length.
        MarkStartRole = Qt::UserRole + 1,
        MarkLengthRole,
    };

    // The columns: the document or line number, the line (before the
    // replace), and in replace mode the line after it.
    enum Column
    {
        PlaceColumn = 0,
        TextColumn = 1,
        AfterColumn = 2,
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

    // Replace mode: three columns and check boxes. Changing it drops the
    // results.
    void setReplaceMode(bool on);
    bool replaceMode() const { return m_replaceMode; }

    // The document of a node (by its row among the nodes): list index, the
    // file's key and hash as read, its encoding.
    const AllHits::Document &document(int documentRow) const;
    // Which of a node's hits are ticked, by hit ordinal (the order in which
    // TextMatcher::findAll finds them in the document's editor text).
    std::vector<bool> ticked(int documentRow) const;
    // Hits ticked in all documents.
    qsizetype tickedCount() const { return m_ticked; }

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
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    struct Node
    {
        AllHits::Document document;
        QString name;
        int row = 0;              // its place among the nodes
        std::vector<bool> ticked; // replace mode: one a hit
        qsizetype tickedCount = 0;
    };
    const Node *nodeOf(const QModelIndex &index) const;

    std::vector<std::unique_ptr<Node>> m_nodes; // in the order of the list
    qsizetype m_hits = 0;
    qsizetype m_ticked = 0;
    bool m_replaceMode = false;
};
