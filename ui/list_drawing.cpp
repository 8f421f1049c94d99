#include "ui/list_drawing.h"

#include "ui/shown_position.h"
#include "ui/skin.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>

#include <algorithm>

namespace vantorel {

namespace {

constexpr int kTextIndent = 2;

void SetFieldColours(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, kSkinField);
    palette.setColor(QPalette::Window, kSkinField);
    palette.setColor(QPalette::Button, kSkinField);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    widget->setPalette(palette);
}

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

int DropDownWidth(const QStringList& items, const QFontMetrics& metrics) {
    int widest = 0;
    for (const QString& item : items) {
        widest = std::max(widest, metrics.horizontalAdvance(item));
    }
    return widest + widest / 9;
}

void FitDropDownWidth(QComboBox* combo) {
    QStringList items;
    items.reserve(combo->count());
    for (int i = 0; i < combo->count(); ++i) {
        items.append(combo->itemText(i));
    }
    const int wanted = DropDownWidth(items, QFontMetrics(combo->font()));
    combo->view()->setMinimumWidth(std::max(wanted, combo->width()));
}

SkinComboBox::SkinComboBox(QWidget* parent, const QString& name, const QStringList& items) : QComboBox(parent) {
    setObjectName(name);
    setFont(SkinFont(11));
    SetFieldColours(this);
    setEditable(false);
    addItems(items);
    setItemDelegate(new ListRowDelegate(this));
    SetFieldColours(view());
}

void SkinComboBox::showPopup() {
    // The list opens under the box where the window really is.
    FollowShownPosition(window());
    FitDropDownWidth(this);
    QComboBox::showPopup();
}

} // namespace vantorel
