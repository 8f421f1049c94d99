#pragma once

#include "ui/skinned_window.h"

#include <QStringList>

#include <functional>

class QLineEdit;

namespace vantorel {

class FrequencyRow;
class SkinComboBox;
class GreyOverlay;
class FolderPicker;
struct JobSettings;

// The edit window: the folders and the schedule of one job, created afresh
// for every edit. It keeps no job of its own: validating hands its values to
// the validator, which saves them or says why not.
class EditWindow : public SkinnedWindow {
    Q_OBJECT

public:
    // Saves the values; true when they were saved and the window may close.
    using Validator = std::function<bool(const JobSettings&)>;

    EditWindow(FolderPicker& picker, GreyOverlay& overlays, QWidget* parent = nullptr);
    ~EditWindow() override;

    // Fills the day list with these labels, then shows the job's values.
    void Preload(const JobSettings& settings, const QStringList& dayLabels);
    void SetValidator(Validator validator) { validator_ = std::move(validator); }
    // The values the controls show.
    JobSettings settings() const;

    // VALIDER: closes when the validator saved the values; ANNULER: closes, saving nothing.
    void Validate();
    void Cancel();
    void Dismiss() override;

protected:
    bool KeyReleased(const QObject* on, int key, bool pressedHere) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(QWidget* panel);
    // The list whose open popup shows `watched`, or null.
    SkinComboBox* ListOfPopup(const QObject* watched) const;
    // Enter in an open list: its highlighted entry becomes the choice and the
    // list closes; the release of that Enter then validates. True when the
    // key was Enter, which the list then does not see.
    bool ChooseInOpenList(SkinComboBox* list, QEvent* event);

    FolderPicker& picker_;
    GreyOverlay& overlays_;
    Validator validator_;
    QLineEdit* sourceField_ = nullptr;
    QLineEdit* destinationField_ = nullptr;
    FrequencyRow* frequencyRow_ = nullptr;
};

} // namespace vantorel
