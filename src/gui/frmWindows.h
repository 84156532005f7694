#pragma once

#include <QWidget>
#include <cstdint>
namespace quorvel::gui {

struct AppContext;

// The windows of one process, by title.
class frmWindows : public QWidget {
    Q_OBJECT

public:
    explicit frmWindows(uint32_t pid, const QString& name, AppContext& context,
                        QWidget* parent = nullptr);
    ~frmWindows() override;
};

} // namespace quorvel::gui
