#include "HitIntake.h"

#include "AllHits.h"
#include "DocumentLibrary.h"
#include "HitModel.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace {

constexpr int IntervalMs = 16;
constexpr int BudgetMs = 10;
constexpr int ExpandedDocuments = 20;

} // namespace

namespace HitIntake {

void prepare(QTimer &timer)
{
    timer.setInterval(IntervalMs);
}

void take(AllHits::Run &run, HitModel &model, QTreeView &tree, const DocumentLibrary &library)
{
    QElapsedTimer clock;
    clock.start();
    const auto nameOf = [&library](int index) { return library.entry(index).displayName; };
    const int before = model.documentCount();
    while (clock.elapsed() < BudgetMs) {
        QList<AllHits::Document> docs = run.take(64);
        if (docs.isEmpty()) {
            break;
        }
        model.add(std::move(docs), nameOf);
    }
    for (int row = before; row < std::min(model.documentCount(), ExpandedDocuments); ++row) {
        tree.expand(model.index(row, 0));
    }
    if (before == 0 && model.documentCount() > 0 && !tree.currentIndex().isValid()) {
        // Nothing is selected yet.
        tree.selectionModel()->setCurrentIndex(model.index(0, 0), QItemSelectionModel::NoUpdate);
    }
}

} // namespace HitIntake

void HitMarkDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    const QVariant start = index.data(HitModel::MarkStartRole);
    const int length = index.data(HitModel::MarkLengthRole).toInt();
    if (!start.isValid() || length <= 0) {
        return;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics fm(option.font);
    const int margin = option.widget ? option.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1 : 3;
    const int x = option.rect.x() + margin + fm.horizontalAdvance(text.left(start.toInt()));
    const int width = fm.horizontalAdvance(text.mid(start.toInt(), length));
    QColor mark = option.palette.color(QPalette::Highlight);
    mark.setAlpha(90);
    painter->save();
    painter->setClipRect(option.rect);
    painter->fillRect(QRect(x, option.rect.y() + 1, width, option.rect.height() - 2), mark);
    painter->restore();
}
