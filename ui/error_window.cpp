#include "ui/error_window.h"

#include "ui/cause_text.h"
#include "ui/image_button.h"
#include "ui/list_rows.h"
#include "ui/next_run_hint.h"
#include "ui/skin.h"

#include <QListWidget>
#include <QMouseEvent>

namespace vantorel {

ErrorWindow::ErrorWindow(NextRunOfJob nextRunOf)
    : SkinnedWindow(QStringLiteral("FormMessageErreur"), 610, 300), nextRunOf_(std::move(nextRunOf)) {
    auto* close = ImageButton::Small(this, QStringLiteral("Fermer"), QStringLiteral("close"), 574, 8);
    MakeTitle(this, QStringLiteral("Label16"), QStringLiteral("!! ERREURS !!"), 195, 9);

    auto* panel = MakePanel(this, QStringLiteral("Panel"), 8, 55, 593, 202);
    MakeLabel(panel, QStringLiteral("Label6"),
              QStringLiteral("Des erreurs se sont produites sur les sauvegardes listées."), 10, 5, SkinFont(13, true));
    MakeLabel(panel, QStringLiteral("Label1"),
              QStringLiteral("Vérifier que le réseau est connecté et que les chemins sources sont valides."), 10, 29,
              SkinFont(13), kSkinMaroon);

    list_ = new QListWidget(panel);
    list_->setObjectName(QStringLiteral("LbDesignationAjout"));
    list_->setGeometry(12, 49, 573, 144);
    SkinList(list_);
    list_->setCursor(Qt::PointingHandCursor);
    list_->setMouseTracking(true);
    list_->viewport()->setMouseTracking(true);
    list_->viewport()->installEventFilter(this);

    auto* bottom = ImageButton::Large(this, QStringLiteral("Annuler"), QStringLiteral("fermer"), 251, 267);
    connect(close, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
    connect(bottom, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
    // Closing is the user having seen the list.
    connect(this, &QDialog::finished, this, [this] { held_ = false; });
}

void ErrorWindow::SetErrors(const std::vector<ErrorEntry>& errors) {
    entries_ = errors;
    entryOfRow_.clear();
    list_->clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        list_->addItem(QString::fromStdString(entries_[i].designation));
        list_->addItem(QStringLiteral("    ") + CauseText(entries_[i].cause));
        entryOfRow_.insert(entryOfRow_.end(), 2, i);
    }
}

void ErrorWindow::FollowRun(const std::vector<ErrorEntry>& errors) {
    if (held_ && errors.empty()) {
        return;
    }
    held_ = false;
    SetErrors(errors);
}

void ErrorWindow::Hold(const std::vector<ErrorEntry>& errors) {
    SetErrors(errors);
    held_ = true;
}

bool ErrorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseMove) {
        const int y = static_cast<QMouseEvent*>(event)->position().toPoint().y();
        // Each line keeps the job it names, so the hint shows that job's next
        // run even after the main list changed.
        NextRunHint(list_, y, [this](int row) -> std::optional<std::string> {
            if (!nextRunOf_ || row < 0 || static_cast<std::size_t>(row) >= entryOfRow_.size()) {
                return std::nullopt;
            }
            return nextRunOf_(entries_[entryOfRow_[static_cast<std::size_t>(row)]].jobId);
        });
    }
    return SkinnedWindow::eventFilter(watched, event);
}

} // namespace vantorel
