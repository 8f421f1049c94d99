#include "ui/cause_text.h"

namespace vantorel {

namespace {

QString What(FailureKind kind) {
    switch (kind) {
    case FailureKind::SourceMissing:
        return QStringLiteral("Dossier source introuvable");
    case FailureKind::SourceEmpty:
        return QStringLiteral("Dossier source vide alors que la dernière sauvegarde contient des fichiers");
    case FailureKind::DestinationMissing:
        return QStringLiteral("Disque ou dossier de destination absent");
    case FailureKind::NoRoom:
        return QStringLiteral("Plus de place sur le disque");
    case FailureKind::TooLarge:
        return QStringLiteral("Fichier trop grand pour la destination");
    case FailureKind::AccessRefused:
        return QStringLiteral("Accès refusé");
    case FailureKind::FileUnreadable:
        return QStringLiteral("Fichier modifié ou illisible pendant la sauvegarde");
    case FailureKind::WriteFailed:
        return QStringLiteral("Ecriture de la sauvegarde impossible");
    case FailureKind::LockHeld:
        return QStringLiteral("Une autre sauvegarde utilise déjà ces archives");
    case FailureKind::JobListNotWritten:
        return QStringLiteral("Impossible d'enregistrer la liste des sauvegardes");
    case FailureKind::ArchiveMissing:
        return QStringLiteral("Aucune sauvegarde à restaurer");
    case FailureKind::ArchiveUnreadable:
        return QStringLiteral("Sauvegarde illisible");
    case FailureKind::PathTooLong:
        return QStringLiteral("Chemin trop long pour être relu en entier");
    case FailureKind::Stopped:
        return QStringLiteral("Sauvegarde interrompue à la fermeture du programme");
    case FailureKind::Other:
        break;
    }
    return QStringLiteral("Erreur");
}

} // namespace

QString CauseText(const FailureCause& cause) {
    QString text = What(cause.kind);
    if (!cause.path.empty()) {
        text += QStringLiteral(" : ") + QString::fromStdString(cause.path);
    }
    if (!cause.systemText.empty()) {
        text += QStringLiteral(" (") + QString::fromStdString(cause.systemText) + QLatin1Char(')');
    }
    return text;
}

} // namespace vantorel
