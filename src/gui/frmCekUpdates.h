#pragma once

#include <QWidget>
#include <memory>
#include <string>

namespace Ui {
class frmCekUpdates;
}

namespace quorvel::update {
class UpdateCheckRun;
struct UpdateOutcome;
} // namespace quorvel::update

namespace quorvel::gui {

struct AppContext;
class Downloader;

// The update check and the package download. Checks once when first shown, off this
// thread; deletes itself when closed, so the main window opens a new one each time.
// "Cancel" or the close box stop a check or a download under way.
class frmCekUpdates : public QWidget {
    Q_OBJECT

public:
    explicit frmCekUpdates(AppContext& context, QWidget* parent = nullptr);
    ~frmCekUpdates() override;

    // Where "Update Now!" saves the package; the program folder's Quorvel.rar unless an
    // installed build keeps it elsewhere.
    void setPackagePath(const std::string& path);

    // Starts the check; its outcome shows when it arrives.
    void cekupdate();
    // A check is under way.
    bool checking() const;

    Downloader* donlod1() const { return m_donlod1; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void checkOnLoad();
    void checkDone(const update::UpdateOutcome& outcome);
    void deleteOnceIdle();
    void updateNow();
    void showProgress(qint64 curBytes, qint64 maxBytes);
    void downloadEnded(qint64 maxBytes);

    AppContext& m_context;
    std::unique_ptr<Ui::frmCekUpdates> m_ui;
    Downloader* m_donlod1 = nullptr; // child widget
    std::string m_serverBase;
    std::string m_iniPath;
    std::string m_packagePath;
    bool m_checked = false;
    bool m_deleteWhenIdle = false; // closed while a transfer ran: goes once it has stopped
    std::unique_ptr<update::UpdateCheckRun> m_check;
};

} // namespace quorvel::gui
