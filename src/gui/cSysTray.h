#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace quorvel::gui {

// The main window's icon in the notification area. Setting InTray to the value it already
// has does nothing; the tip is cut to 64 characters.
class cSysTray : public QObject {
    Q_OBJECT

public:
    static constexpr int kTipCharacters = 64;

    explicit cSysTray(QObject* parent = nullptr);
    ~cSysTray() override;

    bool InTray() const { return m_inTray; }
    void setInTray(bool inTray);
    QString TrayTip() const { return m_tip; }
    void setTrayTip(const QString& tip);
    void setTrayIcon(const QIcon& icon);
    // Opened by a right click on the icon.
    void setMenu(QMenu* menu);

    // Whether a notification area exists to hold the icon.
    static bool available();
    // Tests: pretend there is (or is not) a notification area; empty asks the system.
    static void setAvailableForTest(std::optional<bool> available);

    // How often the icon was put into the notification area.
    int addCount() const { return m_addCount; }
    // The icon itself, while it is in the tray; null otherwise.
    QSystemTrayIcon* icon() const { return m_icon; }

signals:
    void doubleClicked();

private:
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QIcon m_picture;
    QString m_tip;
    bool m_inTray = false;
    int m_addCount = 0;
};

} // namespace quorvel::gui
