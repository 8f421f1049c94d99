#pragma once

#include <QComboBox>
#include <QStringList>

class QFontMetrics;

namespace vantorel {

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
