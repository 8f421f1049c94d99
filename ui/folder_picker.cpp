#include "ui/folder_picker.h"

#include "ui/centre_over.h"
#include "ui/grey_overlay.h"
#include "ui/image_button.h"
#include "ui/skin.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTreeView>

#include <deque>
#include <utility>

namespace vantorel {

namespace {

std::deque<std::optional<QString>>& QueuedFolders() {
    static std::deque<std::optional<QString>> folders;
    return folders;
}

QString WithFinalSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/'))) {
        folder += QLatin1Char('/');
    }
    return folder;
}

constexpr int kTreeIndent = 19;

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

QString PickerTitle(PickerMode mode) {
    switch (mode) {
    case PickerMode::Source:
    case PickerMode::EditSource:
        return QStringLiteral("SOURCE");
    case PickerMode::Destination:
    case PickerMode::EditDestination:
        return QStringLiteral("DESTINATION");
    }
    return {};
}

FolderPicker::FolderPicker() : SkinnedWindow(QStringLiteral("FormRepertoireSource"), 506, 364) {
    title_ = MakeTitle(this, QStringLiteral("LbTitre"), QStringLiteral("SOURCE"), 0, 9);
    auto* close = ImageButton::Small(this, QStringLiteral("Fermer"), QStringLiteral("close"), 478, 8);

    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("TreeRepertoires"));
    tree_->setGeometry(12, 48, 481, 273);
    tree_->setIndentation(kTreeIndent);
    LoadTree();
    // A right click selects the folder under the pointer.
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = tree_->indexAt(at);
        if (index.isValid()) {
            tree_->setCurrentIndex(index);
        }
    });
    tree_->header()->hide();
    QPalette palette = tree_->palette();
    palette.setColor(QPalette::Base, kSkinField);
    palette.setColor(QPalette::Highlight, kSkinDarkGrey);
    palette.setColor(QPalette::HighlightedText, kSkinGold);
    tree_->setPalette(palette);

    auto* validate = ImageButton::Large(this, QStringLiteral("Valider"), QStringLiteral("valider"), 374, 331);
    auto* cancel = ImageButton::Large(this, QStringLiteral("Annuler"), QStringLiteral("annuler"), 20, 331);
    connect(validate, &ImageButton::clicked, this, &FolderPicker::ChooseSelectedFolder);
    connect(cancel, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
    connect(close, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
    setTabOrder(cancel, close);
    // A double click opens or closes a folder, as in any tree: only VALIDER chooses.
}

void FolderPicker::LoadTree() {
    const QString selected =
        model_ != nullptr && tree_->currentIndex().isValid() ? model_->filePath(tree_->currentIndex()) : QString();
    QFileSystemModel* old = model_;
    model_ = new QFileSystemModel(this);
    // Hidden folders too: a backup of a configuration folder is a backup like any other.
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives | QDir::Hidden);
    model_->setRootPath(QStringLiteral("/"));
    // The folders load a moment later on the model's own thread: keep the
    // chosen folder in view as they arrive.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (tree_->currentIndex().isValid()) {
            tree_->scrollTo(tree_->currentIndex());
        }
    });
    tree_->setModel(model_);
    delete old;
    for (int column = 1; column < model_->columnCount(); ++column) {
        tree_->hideColumn(column);
    }
    if (!selected.isEmpty()) {
        const QModelIndex index = model_->index(selected);
        if (index.isValid()) {
            tree_->setCurrentIndex(index);
            tree_->scrollTo(index);
        }
    }
}

void FolderPicker::Prepare(PickerMode mode, const QString& current) {
    title_->setText(PickerTitle(mode));
    title_->adjustSize();
    title_->move((width() - title_->width()) / 2, 9);
    chosen_.reset();
    QString start;
    if (!current.isEmpty() && QDir(current).exists()) {
        start = QDir::cleanPath(current);
    } else if (!tree_->currentIndex().isValid()) {
        // Nothing chosen in this run yet: start where the user's files are.
        start = QDir::homePath();
    } else {
        // A field that is empty or names a folder gone since: the tree stays as it was.
        return;
    }
    tree_->expand(model_->index(QStringLiteral("/")));
    const QModelIndex index = model_->index(start);
    if (index.isValid()) {
        tree_->setCurrentIndex(index);
        tree_->scrollTo(index);
    }
}

void FolderPicker::showEvent(QShowEvent* event) {
    SkinnedWindow::showEvent(event);
    tree_->setFocus();
}

bool FolderPicker::KeyReleased(const QObject* on, int key, bool pressedHere) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (pressedHere) {
            ChooseSelectedFolder();
        }
        return true;
    }
    if (key == Qt::Key_F5) {
        if (pressedHere) {
            LoadTree();
        }
        return true;
    }
    return SkinnedWindow::KeyReleased(on, key, pressedHere);
}

bool FolderPicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_ && event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event))) {
        // Enter chooses the selected folder, not the tree's own idea of it.
        SkinnedWindow::eventFilter(watched, event);
        return true;
    }
    return SkinnedWindow::eventFilter(watched, event);
}

void FolderPicker::ChooseSelectedFolder() {
    const QModelIndex index = tree_->currentIndex();
    if (!index.isValid()) {
        // Nothing chosen yet: VALIDER waits for a folder.
        return;
    }
    chosen_ = WithFinalSeparator(model_->filePath(index));
    accept();
}

void OpenFolderPicker(FolderPicker& picker, GreyOverlay& overlays, QWidget* covered, PickerMode mode,
                      QLineEdit* field) {
    QPointer<QLineEdit> target(field);
    std::optional<QString> chosen;
    if (QueuedFolders().empty()) {
        picker.Prepare(mode, field->text());
        CentreOver(covered, &picker);
    }
    overlays.ShowOverlay(covered, OverlaySlot::FolderPicker);
    if (!QueuedFolders().empty()) {
        chosen = QueuedFolders().front();
        QueuedFolders().pop_front();
        if (chosen) {
            chosen = WithFinalSeparator(*chosen);
        }
    } else {
        picker.exec();
        chosen = picker.chosen();
    }
    overlays.HideOverlay(OverlaySlot::FolderPicker);
    if (target) {
        if (chosen) {
            target->setText(*chosen);
        }
        target->setFocus();
    }
}

void QueuePickedFolderForTesting(std::optional<QString> folder) {
    QueuedFolders().push_back(std::move(folder));
}

} // namespace vantorel
