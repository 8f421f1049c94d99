#pragma once

#include "ui/skinned_window.h"

#include <QString>

#include <optional>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QTreeView;

namespace vantorel {

class GreyOverlay;

// Which field the picker fills: the new job's (main window) or the edited
// job's (edit window) source or destination.
enum class PickerMode { Source, Destination, EditSource, EditDestination };

// The title the picker shows in `mode`: "SOURCE" or "DESTINATION".
QString PickerTitle(PickerMode mode);

// The folder picker: a folder tree with VALIDER and ANNULER. Created once at
// start-up and reused for every choice.
class FolderPicker : public SkinnedWindow {
    Q_OBJECT

public:
    FolderPicker();

    // Sets the title of `mode` and points the tree at `current` (selected,
    // its parents open) when it names a folder; otherwise the tree stays as
    // the last choice left it (the home folder at the first one).
    void Prepare(PickerMode mode, const QString& current);
    // The folder chosen by the latest VALIDER, ending in "/"; nullopt when the
    // window was closed another way.
    const std::optional<QString>& chosen() const { return chosen_; }

protected:
    void showEvent(QShowEvent* event) override;
    // Enter takes the selected folder; F5 reads the tree again.
    bool KeyReleased(const QObject* on, int key, bool pressedHere) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChooseSelectedFolder();
    // A fresh model of the folders for the tree (F5: the tree read again
    // from the disk), keeping the selected folder.
    void LoadTree();

    QLabel* title_;
    QFileSystemModel* model_ = nullptr;
    QTreeView* tree_;
    std::optional<QString> chosen_;
};

// Lets the user choose a folder for `field` with `covered` dimmed (slot 2);
// writes the folder, ending in "/", into the field, or leaves the field as it
// was when the choice is cancelled. The field has the focus afterwards.
void OpenFolderPicker(FolderPicker& picker, GreyOverlay& overlays, QWidget* covered, PickerMode mode, QLineEdit* field);

// Tests only: the next choice is answered with this folder (nullopt: cancel)
// without showing the window.
void QueuePickedFolderForTesting(std::optional<QString> folder);

} // namespace vantorel
