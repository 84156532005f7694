#include "pe/AnalyzeState.h"

#include "pe/PeClassifier.h"

namespace quorvel::pe {

PeReport& LastAnalysedReport() {
    static PeReport report;
    return report;
}

AnalyzeState::AnalyzeState(PeReport& lastReport) : m_last(lastReport) {}

void AnalyzeState::startLoad() {
    m_info.clear();
}

bool AnalyzeState::loaded(const PeAnalysis& analysis) {
    m_last = analysis.report;
    m_status = analysis.status;
    const bool noPeFile = analysis.outcome == PeOutcome::InvalidDosHeader ||
                          analysis.outcome == PeOutcome::DosHeaderTruncated ||
                          analysis.outcome == PeOutcome::InvalidPeFile;
    if (!noPeFile)
        return false;
    m_views = m_last;
    m_info.clear();
    return true;
}

void AnalyzeState::analyze() {
    m_views = m_last;
}

bool AnalyzeState::classify() {
    const auto label = ClassifyPeReport(m_views);
    if (!label)
        return false;
    m_info = std::string(*label);
    return true;
}

} // namespace quorvel::pe
