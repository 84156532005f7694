// Screenshots of the analysis and the registry policy windows, for tools/screenshots.sh:
//   quorvel-shoot-tool-windows OUT_DIR SAMPLE.exe
// The registry is the file-backed one ($QUORVEL_REGISTRY_HKCU chooses its folder); run it
// on a display of its own (Xvfb).
#include "ToolWindowsShots.h"
#include "gui/AppContext.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: quorvel-shoot-tool-windows OUT_DIR SAMPLE.exe\n");
        return 2;
    }
    quorvel::platform::Platform platform = quorvel::platform::CreateNativePlatform();
    quorvel::gui::AppContext context{platform, {}, {}};
    const QString sample = QFileInfo(args.at(2)).absoluteFilePath();
    return quorvel::tools::ShootToolWindows(context, sample, args.at(1)) ? 0 : 1;
}
