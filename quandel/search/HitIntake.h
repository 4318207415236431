#pragma once

#include <QStyledItemDelegate>

class DocumentLibrary;
class HitModel;
class QTimer;
class QTreeView;

namespace AllHits {
class Run;
}

// How the windows of all hits take in what the workers of a run find: a
// timer of the window (every 16 ms) calls take(), which moves results into
// the tree's model for at most 10 ms, so that the window stays responsive.
namespace HitIntake {

// Sets up the window's timer for it.
void prepare(QTimer &timer);

// Moves results of the run into the model for as long as the budget allows.
// The first documents taken open, so that lines show at once (a long list
// stays a list of documents), and the keyboard starts at the first row.
void take(AllHits::Run &run, HitModel &model, QTreeView &tree, const DocumentLibrary &library);

} // namespace HitIntake

// Draws a line of a results tree with a light background behind the match
// (HitModel::MarkStartRole and MarkLengthRole of its text columns).
class HitMarkDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
