#include "gui/support/GuiFixtures.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QWidget>

namespace quorvel::gui::testing {

WindowContext::WindowContext()
    : platform(platform::CreateNativePlatform()),
      context{platform, QDir::toNativeSeparators(dataDir.path()).toStdString(),
              QCoreApplication::applicationDirPath().toStdString()} {
    platform.windows = std::make_unique<BorrowedWindows>(windows);
}

QString WindowContext::dataFile(const QString& name) const {
    return dataDir.filePath(name);
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::vector<QWidget*> VisibleWindows(const QString& objectName) {
    std::vector<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == objectName && widget->isVisible())
            found.push_back(widget);
    }
    return found;
}

} // namespace quorvel::gui::testing
