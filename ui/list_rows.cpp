#include "ui/list_rows.h"

#include "ui/skin.h"

#include <QListWidget>
#include <QPainter>

namespace vantorel {

namespace {

constexpr int kTextIndent = 2;

} // namespace

void ListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QColor background = selected ? kSkinDarkGrey : option.palette.color(QPalette::Base);
    const QColor text = selected ? kSkinGold : option.palette.color(QPalette::Text);
    painter->save();
    painter->fillRect(option.rect, background);
    painter->setPen(text);
    painter->setFont(option.font);
    const QRect textRect = option.rect.adjusted(kTextIndent, 0, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize natural = QStyledItemDelegate::sizeHint(option, index);
    return {natural.width(), kListRowHeight};
}

void SkinList(QListWidget* list) {
    SetFieldColours(list);
    list->setFont(SkinFont(11));
    list->setItemDelegate(new ListRowDelegate(list));
    list->setUniformItemSizes(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
}

} // namespace vantorel
