// Building the controls of the main window: the title bar, the new-job panel,
// the job list and its context menu.
#include "app/main_window.h"

#include "schedule/frequency.h"
#include "ui/frequency_row.h"
#include "ui/image_button.h"
#include "ui/list_drawing.h"
#include "ui/skin.h"
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

    imageDeplaceFenetre_ =
        MakePicture(this, QStringLiteral("ImageDeplaceFenetre"), QStringLiteral("move.jpg"), QRect(10, 12, 24, 24));
    imageDeplaceFenetre_->setToolTip(QStringLiteral("Déplacer la fenêtre"));
    imageDeplaceFenetre_->setCursor(Qt::SizeAllCursor);
    imageDeplaceFenetre_->installEventFilter(this);

    imageLogo_ =
        MakePicture(this, QStringLiteral("ImageLogoOrvane"), QStringLiteral("logo.jpg"), QRect(44, 6, 160, 36));
    imageLogo_->setToolTip(QStringLiteral("Site Officiel de Quorimax"));
    imageLogo_->setCursor(Qt::PointingHandCursor);
    imageLogo_->installEventFilter(this);

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
    edSource_ = MakeFolderField(panel, QStringLiteral("EdSource"), 122, 42, 474);
    edSource_->setFocusPolicy(Qt::NoFocus);
    MakeLabel(panel, QStringLiteral("LbExpliqueDestination"),
              QStringLiteral("Sélectionnez le répertoire de destination en cliquant sur 'DESTINATION'"), 8, 70, normal);
    ImageButton::Large(panel, QStringLiteral("Destination"), QStringLiteral("destination"), 8, 86);
    edDestination_ = MakeFolderField(panel, QStringLiteral("EdDestination"), 122, 88, 474);
    edDestination_->setFocusPolicy(Qt::NoFocus);
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
    lbDesignationAjout_ = new QListWidget(outer);
    lbDesignationAjout_->setObjectName(QStringLiteral("LbDesignationAjout"));
    lbDesignationAjout_->setGeometry(8, 220, 600, 171);
    SkinList(lbDesignationAjout_);
    lbDesignationAjout_->setMouseTracking(true);
    lbDesignationAjout_->viewport()->setMouseTracking(true);
    lbDesignationAjout_->viewport()->installEventFilter(this);
    lbDesignationAjout_->installEventFilter(this);
    lbDesignationAjout_->setContextMenuPolicy(Qt::CustomContextMenu);

    ImageButton::Large(outer, QStringLiteral("Options"), QStringLiteral("options"), 8, 402);
    ImageButton::Large(outer, QStringLiteral("Modifier"), QStringLiteral("modifier"), 384, 402);
    ImageButton::Large(outer, QStringLiteral("Supprimer"), QStringLiteral("supprimer"), 497, 402);
    lbTraitement_ = MakeLabel(outer, QStringLiteral("LbTraitement"), QStringLiteral("Traitement en cours"), 0, 406,
                              SkinFont(13, true), kSkinMaroon);
    lbTraitement_->move(0, 399);
    CentreBetweenButtons(lbTraitement_);
    lbTraitement_->hide();
    // The source folder of the job being run, under the label, between the buttons.
    lbTraitementDossier_ =
        MakeLabel(outer, QStringLiteral("LbTraitementDossier"), QString(), 0, 416, SkinFont(11), kSkinMaroon);
    lbTraitementDossier_->setGeometry(kProcessingLeft, 416, kProcessingRight - kProcessingLeft, 14);
    lbTraitementDossier_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lbTraitementDossier_->hide();
}

void MainWindow::CentreBetweenButtons(QWidget* label) {
    label->move((kProcessingLeft + kProcessingRight - label->width()) / 2, label->y());
}

void MainWindow::BuildMenu() {
    popupMenuSave_ = new QMenu(this);
    popupMenuSave_->setObjectName(QStringLiteral("PopupMenuSave"));
    const auto add = [this](const QString& name, const QString& caption, void (MainWindow::*handler)()) {
        QAction* action = popupMenuSave_->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
    };
    add(QStringLiteral("ModifierSauvegarde"), QStringLiteral("Modifier la sauvegarde sélectionnée"),
        &MainWindow::EditSelected);
    add(QStringLiteral("SupprimerSauvegarde"), QStringLiteral("Supprimer la sauvegarde sélectionnée"),
        &MainWindow::DeleteSelected);
    popupMenuSave_->addSeparator();
    add(QStringLiteral("LancerSauvegarde"), QStringLiteral("Lancer la sauvegarde sélectionnée"),
        &MainWindow::RunSelected);
    add(QStringLiteral("LancerToutesSauvegardes"), QStringLiteral("Lancer toutes les sauvegardes"),
        &MainWindow::RunAll);
    popupMenuSave_->addSeparator();
    add(QStringLiteral("RestaurerSauvegardeSelectionne"), QStringLiteral("Restaurer la sauvegarde sélectionnée"),
        &MainWindow::RestoreSelected);
}

} // namespace vantorel
