// Building the controls of the main window: the title bar, the new-job panel,
// the job list and its context menu.
#include "app/main_window.h"

#include "schedule/frequency.h"
#include "ui/frequency_row.h"
#include "ui/image_button.h"
#include "ui/list_rows.h"
#include "ui/skin.h"
#include "ui/skin_combo_box.h"
#include "ui/skin_image.h"
#include "ui/texts.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>

namespace vantorel {

namespace {

QLabel* MakePicture(QWidget* parent, const QString& name, const QString& picture, const QRect& bounds) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(SkinPixmap(picture, bounds.size(), kSkinMaroon));
    label->setGeometry(bounds);
    return label;
}

} // namespace

void MainWindow::BuildTitleBar() {
    MakePicture(this, QStringLiteral("ImageFond"), QStringLiteral("background_main.jpg"), rect());

    moveHandle_ =
        MakePicture(this, QStringLiteral("ImageDeplaceFenetre"), QStringLiteral("move.jpg"), QRect(10, 12, 24, 24));
    moveHandle_->setToolTip(QStringLiteral("Déplacer la fenêtre"));
    moveHandle_->setCursor(Qt::SizeAllCursor);
    moveHandle_->installEventFilter(this);

    logo_ = MakePicture(this, QStringLiteral("ImageLogoOrvane"), QStringLiteral("logo.jpg"), QRect(44, 6, 160, 36));
    logo_->setToolTip(QStringLiteral("Site Officiel de Quorimax"));
    logo_->setCursor(Qt::PointingHandCursor);
    logo_->installEventFilter(this);

    ImageButton::Small(this, QStringLiteral("Aide"), QStringLiteral("help"), 548, 10);
    ImageButton::Small(this, QStringLiteral("Reduire"), QStringLiteral("minimise"), 574, 10)
        ->setToolTip(QStringLiteral("Réduire Quorimax"));
    ImageButton::Small(this, QStringLiteral("Fermer"), QStringLiteral("close"), 600, 10)
        ->setToolTip(QStringLiteral("Fermer Quorimax"));
}

void MainWindow::BuildNewJobPanel(QWidget* outer) {
    QFrame* panel = MakePanel(outer, QStringLiteral("PanelAjout"), 6, 6, 604, 190);
    const QFont normal = SkinFont(11);
    MakeLabel(panel, QStringLiteral("LbNouvelleSauvegarde"), QStringLiteral("Nouvelle sauvegarde"), 8, 4,
              SkinFont(13, true, true), kSkinMaroon);
    MakeLabel(panel, QStringLiteral("LbExpliqueSource"),
              QStringLiteral("Sélectionnez le répertoire que vous désirez sauvegarder en cliquant sur 'SOURCE'"), 8, 24,
              normal);
    ImageButton::Large(panel, QStringLiteral("Source"), QStringLiteral("source"), 8, 40);
    sourceField_ = MakeFolderField(panel, QStringLiteral("EdSource"), 122, 42, 474);
    sourceField_->setFocusPolicy(Qt::NoFocus);
    MakeLabel(panel, QStringLiteral("LbExpliqueDestination"),
              QStringLiteral("Sélectionnez le répertoire de destination en cliquant sur 'DESTINATION'"), 8, 70, normal);
    ImageButton::Large(panel, QStringLiteral("Destination"), QStringLiteral("destination"), 8, 86);
    destinationField_ = MakeFolderField(panel, QStringLiteral("EdDestination"), 122, 88, 474);
    destinationField_->setFocusPolicy(Qt::NoFocus);
    MakeLabel(panel, QStringLiteral("LbConseil"),
              QStringLiteral("Effectuez votre sauvegarde sur un autre Disque Dur ou sur un autre PC par le Réseau."), 8,
              116, normal, kSkinMaroon);
    MakeLabel(panel, QStringLiteral("LbLancer"), QStringLiteral("Lancer la sauvegarde :"), 8, 140, normal);

    frequencyRow_ = new FrequencyRow(panel, 157, normal);
    frequencyRow_->SetDayLabels(Labels(kDayLabels));
    // The keyboard starts on the frequency, not on the first picture button.
    frequencyRow_->frequencyList()->setFocus();

    ImageButton::Large(panel, QStringLiteral("Ajouter"), QStringLiteral("ajouter"), 489, 155);
}

void MainWindow::BuildJobList(QWidget* outer) {
    MakeLabel(outer, QStringLiteral("LbListeSauvegardes"), QStringLiteral("Liste des sauvegardes enregistrées :"), 10,
              202, SkinFont(13, true, true), kSkinMaroon);
    jobList_ = new QListWidget(outer);
    jobList_->setObjectName(QStringLiteral("LbDesignationAjout"));
    jobList_->setGeometry(8, 220, 600, 171);
    SkinList(jobList_);
    jobList_->setMouseTracking(true);
    jobList_->viewport()->setMouseTracking(true);
    jobList_->viewport()->installEventFilter(this);
    jobList_->installEventFilter(this);
    jobList_->setContextMenuPolicy(Qt::CustomContextMenu);

    ImageButton::Large(outer, QStringLiteral("Options"), QStringLiteral("options"), 8, 402);
    ImageButton::Large(outer, QStringLiteral("Modifier"), QStringLiteral("modifier"), 384, 402);
    ImageButton::Large(outer, QStringLiteral("Supprimer"), QStringLiteral("supprimer"), 497, 402);
    processingLabel_ = MakeLabel(outer, QStringLiteral("LbTraitement"), QStringLiteral("Traitement en cours"), 0, 406,
                                 SkinFont(13, true), kSkinMaroon);
    processingLabel_->move(0, 399);
    CentreBetweenButtons(processingLabel_);
    processingLabel_->hide();
    // The source folder of the job being run, under the label, between the buttons.
    processingFolderLabel_ =
        MakeLabel(outer, QStringLiteral("LbTraitementDossier"), QString(), 0, 416, SkinFont(11), kSkinMaroon);
    processingFolderLabel_->setGeometry(kProcessingLeft, 416, kProcessingRight - kProcessingLeft, 14);
    processingFolderLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    processingFolderLabel_->hide();
}

void MainWindow::CentreBetweenButtons(QWidget* label) {
    label->move((kProcessingLeft + kProcessingRight - label->width()) / 2, label->y());
}

void MainWindow::BuildMenu() {
    jobMenu_ = new QMenu(this);
    jobMenu_->setObjectName(QStringLiteral("PopupMenuSave"));
    const auto add = [this](const QString& name, const QString& caption, void (MainWindow::*handler)()) {
        QAction* action = jobMenu_->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    add(QStringLiteral("ModifierSauvegarde"), QStringLiteral("Modifier la sauvegarde sélectionnée"),
        &MainWindow::EditSelected);
    add(QStringLiteral("SupprimerSauvegarde"), QStringLiteral("Supprimer la sauvegarde sélectionnée"),
        &MainWindow::DeleteSelected);
    jobMenu_->addSeparator();
    add(QStringLiteral("LancerSauvegarde"), QStringLiteral("Lancer la sauvegarde sélectionnée"),
        &MainWindow::RunSelected);
    add(QStringLiteral("LancerToutesSauvegardes"), QStringLiteral("Lancer toutes les sauvegardes"),
        &MainWindow::RunAll);
    jobMenu_->addSeparator();
    add(QStringLiteral("RestaurerSauvegardeSelectionne"), QStringLiteral("Restaurer la sauvegarde sélectionnée"),
        &MainWindow::RestoreSelected);
}

} // namespace vantorel
