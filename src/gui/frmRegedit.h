#pragma once

#include "regguard/RegPolicies.h"

#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QGroupBox;

namespace Ui {
class frmRegedit;
}

namespace quorvel::gui {

struct AppContext;

// The registry policy window: fourteen per-user policy values as check boxes, read when
// the window opens and all written by Apply.
class frmRegedit : public QWidget {
    Q_OBJECT

public:
    explicit frmRegedit(AppContext& context, QWidget* parent = nullptr);
    ~frmRegedit() override;

private:
    void showPage(QGroupBox* page);
    void apply();

    AppContext& m_context;
    std::unique_ptr<Ui::frmRegedit> m_ui;
    regguard::RegPolicies m_read;
    std::array<QCheckBox*, regguard::kPolicyCount> m_boxes{};
};

} // namespace quorvel::gui
