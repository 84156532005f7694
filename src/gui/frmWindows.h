#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>

namespace Ui {
class frmWindows;
}

namespace quorvel::gui {

struct AppContext;

// The windows of one process, by title.
class frmWindows : public QWidget {
    Q_OBJECT

public:
    explicit frmWindows(uint32_t pid, const QString& name, AppContext& context,
                        QWidget* parent = nullptr);
    ~frmWindows() override;

    // "List Windows": the one open window shows this process's titles, gathered now;
    // opens it when none is open.
    static frmWindows* ShowFor(uint32_t pid, const QString& name, AppContext& context);
    static frmWindows* instance();

    // Gathers the titles of pid's windows anew.
    void Rebuild(uint32_t pid, const QString& name);

    uint32_t pid() const { return m_pid; }
    QStringList lines() const;

private:
    std::unique_ptr<Ui::frmWindows> m_ui;
    AppContext& m_context;
    uint32_t m_pid = 0;
};

} // namespace quorvel::gui
