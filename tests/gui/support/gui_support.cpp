#include "support/gui_support.h"

#include "app/main_window.h"
#include "app/program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vantorel::test {

GuiTempDir::GuiTempDir() : path_(dir_.path().toStdString()) {
    if (!dir_.isValid()) {
        std::abort();
    }
}

void WriteTextFile(const std::filesystem::path& file, std::string_view content) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        std::abort();
    }
}

std::string ReadTextFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

DateTime At(int year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
    const std::optional<DateTime> value = DateTime::FromParts(year, month, day, hour, minute);
    if (!value) {
        std::abort();
    }
    return *value;
}

std::unique_ptr<Program> MakeProgram(const std::filesystem::path& folder, DateTime now) {
    return std::make_unique<Program>(folder, folder / "config", [now] { return now; });
}

std::string ListeSaveText(const std::vector<JobSection>& jobs) {
    std::string text = "[Reference]\r\nDerniereRef=" + std::to_string(jobs.size()) + "\r\n";
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const JobSection& job = jobs[i];
        const std::string reference = std::to_string(i + 1);
        text += "[" + std::to_string(i) + "]\r\n";
        text += "EdSource=" + job.source + "\r\n";
        text += "EdDestination=" + job.destination + "\r\n";
        text += "CbDelaiSave=" + job.code + "\r\n";
        text += "CbDateMois=0\r\nCbJoursSemaine=0\r\n";
        text += "CbHeures=0\r\n";
        text += "Reference=" + reference + "\r\n";
        text += "CbDerniereDateMaj=01/12/2026 08:00:00\r\n";
        text += "CbProchaineDateMaj=" + job.nextRun + "\r\n";
    }
    return text;
}

void SendMouseMove(QWidget* widget, QPoint at, Qt::MouseButtons held) {
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton, held,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void ShowMainWindow(MainWindow& window) {
    window.Start();
    FinishRuns(window);
}

void FinishRuns(const MainWindow& window) {
    QElapsedTimer waited;
    waited.start();
    // Once more after the last request ended: what it posted (a close) runs too.
    do {
        QTest::qWait(5);
        if (waited.elapsed() > 60000) {
            qFatal("a run never ended");
        }
    } while (window.runner().busy());
    QCoreApplication::processEvents();
}

} // namespace vantorel::test
