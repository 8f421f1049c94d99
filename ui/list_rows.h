#pragma once

#include <QStyledItemDelegate>

class QListWidget;

namespace vantorel {

// Rows of every list and drop-down list are 13 pixels high.
inline constexpr int kListRowHeight = 13;

// Fills the row and writes its text 2 pixels from the left, at the
// top; a selected row in gold on dark grey, the others in the control's colours.
class ListRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Gives a list its colours, its font and the row drawing above.
void SkinList(QListWidget* list);

} // namespace vantorel
