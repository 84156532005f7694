#include "access/LoginFlow.h"

namespace quorvel::access {

LockedView LoginFlow::view() const {
    switch (m_place) {
    case MainWindowPlace::Shown:
        return {true, true, false, false};
    case MainWindowPlace::InTray:
        return {false, false, true, false};
    case MainWindowPlace::AskingPassword:
        return {false, false, false, true};
    }
    return {};
}

bool LoginFlow::Minimised(bool trayAvailable) {
    if (m_place != MainWindowPlace::Shown || !trayAvailable)
        return false;
    m_place = MainWindowPlace::InTray;
    return true;
}

bool LoginFlow::OpenWindow() {
    if (m_place != MainWindowPlace::InTray)
        return m_place == MainWindowPlace::AskingPassword; // the one prompt, shown again
    m_place = MainWindowPlace::AskingPassword;
    return true;
}

bool LoginFlow::PasswordAccepted() {
    if (m_place != MainWindowPlace::AskingPassword)
        return false;
    m_place = MainWindowPlace::Shown;
    return true;
}

bool LoginFlow::Cancelled() {
    if (m_place != MainWindowPlace::AskingPassword)
        return false;
    m_place = MainWindowPlace::InTray;
    return true;
}

} // namespace quorvel::access
