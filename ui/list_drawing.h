#pragma once

#include <QComboBox>
#include <QStringList>
#include <QStyledItemDelegate>

class QFontMetrics;
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

// The width the opening list asks for: the widest item text w, plus w div 9
// (0 for no item).
int DropDownWidth(const QStringList& items, const QFontMetrics& metrics);

// FitDropDownWidth: sets the width of the opening list of `combo` from its
// items; the list is never narrower than the combo box itself.
void FitDropDownWidth(QComboBox* combo);

// A drop-down list of the skin: drawn rows, widened to its items on opening.
class SkinComboBox : public QComboBox {
    Q_OBJECT

public:
    SkinComboBox(QWidget* parent, const QString& name, const QStringList& items);

    void showPopup() override;
};

} // namespace vantorel
