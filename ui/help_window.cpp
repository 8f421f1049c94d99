#include "ui/help_window.h"

#include "ui/image_button.h"
#include "ui/skin.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace vantorel {

namespace {

enum class Style { Heading, Text, Note };

struct HelpBlock {
    int top;
    Style style;
    const char* text; // UTF-8
};

constexpr int kHeadingLeft = 10;
constexpr int kTextLeft = 26;
// The lines were written for a narrower face than ours: drawn at this share of
// their width, the longest still fits the panel.
constexpr int kTextStretch = 84;

// The help text, top to bottom, with the tops of its blocks in the panel.
constexpr HelpBlock kHelpBlocks[] = {
    {6, Style::Heading, "Introduction :"},
    {26, Style::Text,
     "Vantorel convient aux particuliers et entreprises \r\nayant besoin de sauvegarder régulièrement leurs "
     "données.\r\nLe principe étant de copier sur un autre disque dur."},
    {89, Style::Note,
     "Nous vous conseillons de faire vos sauvegardes sur un autre disque dur\r\nou sur un autre PC par le biais du "
     "réseau."},
    {137, Style::Heading, "Options :"},
    {161, Style::Text,
     "Accédez à la partie 'Options' afin de définir si Vantorel \r\nse lance au démarrage de la session (recommandé) "
     "et\r\ns'il se réduit (réduction dans la barre des tâches)."},
    {241, Style::Heading, "Ajouter une sauvegarde :"},
    {265, Style::Text,
     ". Sélectionnez le répertoire que vous désirez sauvegarder \r\n    en cliquant sur 'SOURCE'.\r\n. "
     "Sélectionnez le répertoire de destination en cliquant sur 'DESTINATION'.\r\n. Choisissez la fréquence des "
     "sauvegardes puis cliquez sur 'AJOUTER'.\r\n. La sauvegarde se lance automatiquement lors d'un ajout."},
    {369, Style::Note,
     "Le logiciel va créer un répertoire 'Vantorel' à l'emplacement \r\nde destination désiré puis insérer les "
     "sauvegardes à l'intérieur du répertoire."},
    {417, Style::Heading, "Modifier une sauvegarde :"},
    {441, Style::Text,
     ". Sélectionnez la sauvegarde que vous voulez modifier.\r\n. Cliquez sur 'MODIFIER' ou faites un double-clic "
     "\r\n    ou un clic droit -> 'Modifier la sauvegarde sélectionnée'\r\n. Sélectionnez le répertoire que vous "
     "désirez sauvegarder \r\n    en cliquant sur 'SOURCE'.\r\n. Sélectionnez le répertoire de destination en "
     "cliquant sur 'DESTINATION'.\r\n. Choisissez la fréquence des sauvegardes puis cliquez sur 'VALIDER'."},
    {601, Style::Heading, "Supprimer une sauvegarde :"},
    {625, Style::Text,
     ". Vous pouvez effectuer la suppression d'une sauvegarde en faisant :\r\n    Clic droit -> 'Supprimer la "
     "sauvegarde sélectionnée' \r\n    ou\r\n    en sélectionnant la sauvegarde voulue et\r\n    en appuyant sur "
     "la touche 'Suppr' de votre clavier."},
    {761, Style::Heading, "Lancer une sauvegarde :"},
    {785, Style::Text,
     ". Vous pouvez voir la prochaine date de lancement en sélectionnant \r\n    la sauvegarde (Info bulle).\r\n. "
     "Vous pouvez effectuer une ou toutes les sauvegardes en faisant :\r\n    Clic droit -> 'Lancer la sauvegarde "
     "sélectionnée' \r\n    ou\r\n    Clic droit -> 'Lancer toutes les sauvegardes' "},
    {937, Style::Heading, "Restaurer une sauvegarde :"},
    {961, Style::Text,
     ". Vous pouvez restaurer une sauvegarde en la sélectionnant puis :\r\n    Clic droit -> 'Restaurer la "
     "sauvegarde sélectionnée' "},
};

} // namespace

HelpWindow::HelpWindow() : SkinnedWindow(QStringLiteral("FormAide"), 596, 498) {
    auto* title = MakeTitle(this, QStringLiteral("LbTitre"), QStringLiteral("AIDE"), 0, 9);
    title->move((width() - title->width()) / 2, 9);

    scrollBox_ = new QScrollArea(this);
    scrollBox_->setObjectName(QStringLiteral("ScrollBox"));
    scrollBox_->setGeometry(8, 53, 577, 404);
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setFrameShape(QFrame::NoFrame);
    PaintBackground(scrollBox_->viewport(), kSkinBackground);
    scrollBox_->viewport()->installEventFilter(this);
    // Over the scroll bar the wheel moves the text by the same step.
    scrollBox_->verticalScrollBar()->installEventFilter(this);

    auto* panel = MakePanel(nullptr, QStringLiteral("PanelAide"), 0, 0, 551, 1013);
    BuildText(panel);
    scrollBox_->setWidget(panel);

    auto* close = ImageButton::Large(this, QStringLiteral("Fermer"), QStringLiteral("fermer"), 232, 464);
    connect(close, &ImageButton::clicked, this, &SkinnedWindow::Dismiss);
}

void HelpWindow::BuildText(QWidget* panel) {
    int number = 1;
    for (const HelpBlock& block : kHelpBlocks) {
        const QString name = QStringLiteral("LbAide%1").arg(number++);
        const QString text = QString::fromUtf8(block.text);
        switch (block.style) {
        case Style::Heading:
            MakeLabel(panel, name, text, kHeadingLeft, block.top, NarrowSkinFont(16, kTextStretch, true), kSkinMaroon);
            break;
        case Style::Text:
            MakeLabel(panel, name, text, kTextLeft, block.top, NarrowSkinFont(16, kTextStretch));
            break;
        case Style::Note:
            MakeLabel(panel, name, text, kTextLeft, block.top, NarrowSkinFont(13, kTextStretch), kSkinMaroon);
            break;
        }
    }
}

void HelpWindow::showEvent(QShowEvent* event) {
    SkinnedWindow::showEvent(event);
    scrollBox_->verticalScrollBar()->setValue(0);
    wheelAngle_ = 0;
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool overText = watched == scrollBox_->viewport() || watched == scrollBox_->verticalScrollBar();
    if (overText && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        // Touchpads and fine wheels send parts of a notch: they add up, so
        // that a whole notch's worth still moves the text kWheelStep pixels.
        constexpr int kAnglePerPixel = QWheelEvent::DefaultDeltasPerStep / kWheelStep;
        wheelAngle_ += wheel->angleDelta().y();
        const int pixels = wheelAngle_ / kAnglePerPixel;
        wheelAngle_ -= pixels * kAnglePerPixel;
        QScrollBar* bar = scrollBox_->verticalScrollBar();
        // The scroll bar keeps the value within the ends of the text.
        bar->setValue(bar->value() - pixels);
        return true;
    }
    return SkinnedWindow::eventFilter(watched, event);
}

} // namespace vantorel
