#pragma once

#include "pe/AnalyzeState.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class QPlainTextEdit;
class QRadioButton;

namespace Ui {
class frmAnalyze;
}

namespace quorvel::gui {

struct AppContext;

// The manual PE analysis window: Load File analyses a file, Analyze shows the report's
// five texts and classifies them a moment later. It keeps nothing of its own; the last
// analysed texts outlive it.
class frmAnalyze : public QWidget {
    Q_OBJECT

public:
    explicit frmAnalyze(AppContext& context, QWidget* parent = nullptr);
    ~frmAnalyze() override;

private:
    void loadFile();
    void analyze();
    void showViews();
    void classify();
    void showView(int index);

    AppContext& m_context;
    std::unique_ptr<Ui::frmAnalyze> m_ui;
    pe::AnalyzeState m_state;
    QTimer m_timer1{this};
    QPlainTextEdit* m_views[5] = {};
    QRadioButton* m_options[5] = {};
};

} // namespace quorvel::gui
