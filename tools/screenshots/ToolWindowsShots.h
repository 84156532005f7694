#pragma once

#include <QString>

namespace quorvel::gui {
struct AppContext;
}

namespace quorvel::tools {

// Opens the analysis window on sample (Load File through its own dialog, Analyze, the
// import view) and the registry policy window on context's registry, and saves each as
// a PNG in outDir: frmAnalyze.png, frmRegedit.png and frmRegedit-network.png. False when
// a shot could not be saved.
bool ShootToolWindows(gui::AppContext& context, const QString& sample, const QString& outDir);

} // namespace quorvel::tools
