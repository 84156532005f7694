#pragma once

#include <QIcon>

namespace quorvel::gui {

// The program's icon, for its windows and the notification area.
QIcon AppIcon();

} // namespace quorvel::gui
