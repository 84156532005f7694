#pragma once

#include "pe/PeAnalysis.h"
#include "pe/PeReport.h"

#include <string>

namespace quorvel::pe {

// The texts of the last file analysed in this program run. They outlive the analysis
// window, so a window opened again shows them once Analyze is pressed.
PeReport& LastAnalysedReport();

// What the analysis window shows. The views change only on Analyze; the label is emptied
// only by Load File (also when the dialog is cancelled) and written only by the
// classification, which keeps it when no rule holds.
class AnalyzeState {
public:
    explicit AnalyzeState(PeReport& lastReport = LastAnalysedReport());

    // Load File, before the dialog opens.
    void startLoad();
    // The dialog gave a file and it was analysed; the views keep what they show, unless
    // the file proved no PE file ("Invalid DOS header!", "Invalid PE file!"): then they
    // take its texts at once, so that no report of the old file stands under the new
    // file's name. True when the views changed.
    bool loaded(const PeAnalysis& analysis);
    // Analyze: the views take the last analysed texts.
    void analyze();
    // The classification run after Analyze, over what the views show. True when it put
    // a label.
    bool classify();

    const PeReport& views() const { return m_views; }
    const std::string& info() const { return m_info; }
    const std::string& status() const { return m_status; }

private:
    PeReport& m_last;
    PeReport m_views;
    std::string m_info;
    std::string m_status = "N/A";
};

} // namespace quorvel::pe
