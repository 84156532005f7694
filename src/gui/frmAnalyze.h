#pragma once

#include <QWidget>

namespace quorvel::gui {

struct AppContext;

// The manual PE analysis window.
class frmAnalyze : public QWidget {
    Q_OBJECT

public:
    explicit frmAnalyze(AppContext& context, QWidget* parent = nullptr);
    ~frmAnalyze() override;
};

} // namespace quorvel::gui
