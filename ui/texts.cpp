#include "ui/texts.h"

#include "jobs/job_error.h"
#include "options/program_options.h"

#include <QMessageBox>

#include <system_error>

namespace vantorel {

namespace {

struct FailureCollector {
    bool collecting = false;
    QStringList texts;
};

FailureCollector& Collector() {
    static FailureCollector collector;
    return collector;
}

} // namespace

QString QuestionText(Question question) {
    switch (question) {
    case Question::RepeatedSource:
        return QStringLiteral("Vous avez déjà effectué une sauvegarde avec ce chemin source,\r\n"
                              "Voulez-vous continuer et dupliquer la sauvegarde ?");
    case Question::DeleteJob:
        return QStringLiteral("Etes-vous sûr de vouloir supprimer cette sauvegarde ?\r\n"
                              "!! Cela supprimera les sauvegardes effectuées !! ");
    case Question::RestoreJob:
        return QStringLiteral("Etes-vous sûr de vouloir restaurer cette sauvegarde ?\r\n"
                              "Cela effacera votre répertoire d'origine si il est encore existant");
    }
    return {};
}

namespace {

QString NotAnIntegerText(const QString& subject) {
    return QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(subject);
}

QString PlatformText(const PlatformError& error, const QString& subject) {
    switch (error.kind()) {
    case PlatformFailure::WriteRefused: {
        QString text = QStringLiteral("Impossible d'écrire dans %1").arg(subject);
        // The system's reason on a second line: a full disk and a read-only
        // folder call for different remedies.
        if (error.sysErrno() != 0) {
            text += QLatin1Char('\n') + QString::fromStdString(std::generic_category().message(error.sysErrno()));
        }
        return text;
    }
    case PlatformFailure::LogonEntryRefused:
        return QStringLiteral("Echec à la définition des données pour '%1'").arg(subject);
    }
    return QString::fromStdString(error.what());
}

QString JobText(const JobError& error, const QString& subject) {
    switch (error.kind()) {
    case JobFailure::NotAnInteger:
        return NotAnIntegerText(subject);
    case JobFailure::NotADateTime:
        return QStringLiteral("'%1' ne correspond pas à une date et une heure correctes").arg(subject);
    case JobFailure::PathTooLong: {
        // The path may run to thousands of characters: its two ends name it.
        constexpr qsizetype kEnd = 60;
        const QString shown =
            subject.size() > 2 * kEnd ? subject.left(kEnd) + QStringLiteral(" … ") + subject.right(kEnd) : subject;
        return QStringLiteral(
                   "Ce chemin est trop long pour être enregistré :\n%1\nChoisissez un dossier au chemin plus court.")
            .arg(shown);
    }
    }
    return QString::fromStdString(error.what());
}

} // namespace

QString FailureText(const Error& error) {
    const QString subject = QString::fromStdString(error.subject());
    if (const auto* platform = dynamic_cast<const PlatformError*>(&error)) {
        return PlatformText(*platform, subject);
    }
    if (const auto* job = dynamic_cast<const JobError*>(&error)) {
        return JobText(*job, subject);
    }
    if (dynamic_cast<const OptionsError*>(&error) != nullptr) {
        return NotAnIntegerText(subject);
    }
    return QString::fromStdString(error.what());
}

void ShowFailure(QWidget* parent, const Error& error) {
    if (Collector().collecting) {
        Collector().texts.append(FailureText(error));
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vantorel"), FailureText(error), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("FailureMessage"));
    box.exec();
}

void CollectFailuresForTesting() {
    Collector().collecting = true;
}

QStringList TakeShownFailuresForTesting() {
    QStringList texts;
    texts.swap(Collector().texts);
    return texts;
}

} // namespace vantorel
