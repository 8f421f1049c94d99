#pragma once

#include "ui/skinned_window.h"

#include <QString>

class QLabel;
class QTimer;

namespace vantorel {

class ImageButton;
class GreyOverlay;

// The program's own yes/no window: a warning picture, the message, OUI and
// NON. One window serves one question; the layout is computed when it shows.
class YesNoDialog : public SkinnedWindow {
    Q_OBJECT

public:
    explicit YesNoDialog(QWidget* parent = nullptr);

    // The message, with "\r\n" between its lines.
    void SetMessage(const QString& text);
    // Makes the window a notice: one FERMER button instead of OUI and NON.
    void MakeNotice();
    // True only when OUI was chosen (by click, Enter or Space).
    bool answer() const { return answer_; }
    // NON, Escape: the answer is no.
    void Dismiss() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Enter and Space answer yes, as OUI does.
    bool KeyReleased(const QObject* on, int key, bool pressedHere) override;

private:
    // Sizes the window to its message and centres it on the screen.
    void LayOut();
    void Answer(bool yes);
    void MovePointerOntoYes();

    QString message_;
    QLabel* messageLabel_;
    QLabel* alertPicture_;
    ImageButton* yesButton_;
    ImageButton* noButton_;
    ImageButton* closeButton_ = nullptr;
    QTimer* pointerTimer_;
    bool answer_ = false;
};

// Asks `text` modally, with `parent` dimmed by the grey layer of slot 1.
// True for yes; every way of closing but OUI, Enter and Space is a no.
bool AskYesNo(GreyOverlay& overlays, QWidget* parent, const QString& text);

// Shows `text` modally in the same window with a single FERMER button, with
// `parent` dimmed as for a question. Tests answer it from the same queue.
void ShowNotice(GreyOverlay& overlays, QWidget* parent, const QString& text);

// Tests only: the next questions are answered with these, in order, without
// showing the window or running its event loop.
void QueueAnswerForTesting(bool yes);
// Tests only: the texts of the questions answered from the queue so far;
// cleared by the call.
QStringList TakeAskedQuestionsForTesting();

} // namespace vantorel
