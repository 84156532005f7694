#include "gui/cSysTray.h"

#include "inspect/TextLimit.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace quorvel::gui {

namespace {
std::optional<bool> g_availableForTest;
}

cSysTray::cSysTray(QObject* parent) : QObject(parent) {}

cSysTray::~cSysTray() {
    setInTray(false);
}

bool cSysTray::available() {
    if (g_availableForTest)
        return *g_availableForTest;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void cSysTray::setAvailableForTest(std::optional<bool> available) {
    g_availableForTest = available;
}

void cSysTray::setInTray(bool inTray) {
    if (inTray == m_inTray)
        return;
    m_inTray = inTray;
    if (inTray) {
        m_icon = new QSystemTrayIcon(m_picture, this);
        m_icon->setToolTip(m_tip);
        if (m_menu)
            m_icon->setContextMenu(m_menu);
        connect(m_icon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::DoubleClick)
                        emit doubleClicked();
                });
        m_icon->show();
        ++m_addCount;
    } else if (m_icon) {
        m_icon->hide();
        delete m_icon;
        m_icon = nullptr;
    }
}

void cSysTray::setTrayTip(const QString& tip) {
    m_tip = QString::fromStdString(inspect::CutToCharacters(tip.toStdString(), kTipCharacters));
    if (m_icon)
        m_icon->setToolTip(m_tip);
}

void cSysTray::setTrayIcon(const QIcon& icon) {
    if (icon.isNull())
        return;
    m_picture = icon;
    if (m_icon)
        m_icon->setIcon(icon);
}

void cSysTray::setMenu(QMenu* menu) {
    m_menu = menu;
    if (m_icon)
        m_icon->setContextMenu(menu);
}

} // namespace quorvel::gui
