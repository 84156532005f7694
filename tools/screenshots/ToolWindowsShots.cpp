#include "ToolWindowsShots.h"

#include "gui/AppContext.h"
#include "gui/frmAnalyze.h"
#include "gui/frmRegedit.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace quorvel::tools {

namespace {

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Answers the window's file dialog with path as soon as it shows.
void AnswerDialog(QPointer<QWidget> window, const QString& path) {
    auto* dialog = window ? window->findChild<QFileDialog*>("UniDialog1") : nullptr;
    if (!dialog || !dialog->isVisible()) {
        if (window)
            QTimer::singleShot(20, window, [window, path] { AnswerDialog(window, path); });
        return;
    }
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
}

bool Save(QWidget& window, const QString& file) {
    window.raise();
    window.activateWindow();
    Wait(300);
    return window.grab().save(file, "PNG");
}

} // namespace

bool ShootToolWindows(gui::AppContext& context, const QString& sample, const QString& outDir) {
    QDir().mkpath(outDir);
    bool saved = true;

    auto* analyze = new gui::frmAnalyze(context);
    QPointer<QWidget> analyzeWindow = analyze;
    analyze->resize(760, 560);
    analyze->show();
    Wait(200);
    QTimer::singleShot(0, analyze,
                       [analyzeWindow, sample] { AnswerDialog(analyzeWindow, sample); });
    analyze->findChild<QPushButton*>("cmdLoad")->click();
    analyze->findChild<QPushButton*>("cmdAnalyze")->click();
    analyze->findChild<QRadioButton*>("Option1_4")->click();
    Wait(300); // the classification runs 100 ms after Analyze
    saved = Save(*analyze, QDir(outDir).filePath("frmAnalyze.png")) && saved;
    analyze->close();

    auto* regedit = new gui::frmRegedit(context);
    regedit->show();
    saved = Save(*regedit, QDir(outDir).filePath("frmRegedit.png")) && saved;
    regedit->findChild<QPushButton*>("cmdreg_3")->click();
    saved = Save(*regedit, QDir(outDir).filePath("frmRegedit-network.png")) && saved;
    regedit->close();
    Wait(50);
    return saved;
}

} // namespace quorvel::tools
