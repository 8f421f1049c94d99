#include "ui/skin_combo_box.h"

#include "ui/list_rows.h"
#include "ui/shown_position.h"
#include "ui/skin.h"

#include <QAbstractItemView>
#include <QFontMetrics>

#include <algorithm>

namespace vantorel {

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
