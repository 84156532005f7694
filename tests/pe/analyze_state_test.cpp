// What the analysis window shows as Load File, Analyze and the classification follow
// each other.
#include "pe/AnalyzeState.h"

#include <gtest/gtest.h>

namespace quorvel::pe {
namespace {

PeAnalysis Loaded(std::string sections, std::string imports, std::string status) {
    PeAnalysis analysis;
    analysis.report.dosText = "IMAGE_DOS_HEADER\r\n";
    analysis.report.sectionText = std::move(sections);
    analysis.report.importText = std::move(imports);
    analysis.status = std::move(status);
    analysis.outcome = PeOutcome::Complete;
    return analysis;
}

const PeAnalysis kHook = Loaded(".text\r\n", " SetWindowsHookExA\r\n CallNextHookEx\r\n", "hook");
const PeAnalysis kPlain = Loaded(".text\r\n", " MessageBoxA\r\n", "plain");

TEST(AnalyzeState, ViewsChangeOnlyOnAnalyze) {
    PeReport last;
    AnalyzeState state(last);
    EXPECT_EQ(state.status(), "N/A");
    state.startLoad();
    state.loaded(kHook);
    EXPECT_EQ(state.status(), "hook");
    EXPECT_EQ(state.views().importText, "");
    state.analyze();
    EXPECT_EQ(state.views().importText, kHook.report.importText);

    state.startLoad();
    state.loaded(kPlain);
    EXPECT_EQ(state.views().importText, kHook.report.importText);
    EXPECT_TRUE(state.classify()) << "the rules search what the views show";
    EXPECT_EQ(state.info(), " Potentially Malware - Hook");
}

TEST(AnalyzeState, LabelIsEmptiedOnlyByLoadFileAndKeptWhenNoRuleHolds) {
    PeReport last;
    AnalyzeState state(last);
    state.startLoad();
    state.loaded(kHook);
    state.analyze();
    ASSERT_TRUE(state.classify());
    // The same views again, then other views no rule meets: the label stays.
    state.analyze();
    EXPECT_TRUE(state.classify());
    EXPECT_EQ(state.info(), " Potentially Malware - Hook");
    last = kPlain.report;
    state.analyze();
    EXPECT_FALSE(state.classify());
    EXPECT_EQ(state.info(), " Potentially Malware - Hook");
    // A cancelled dialog: nothing loaded, the label emptied, the report kept.
    state.startLoad();
    EXPECT_EQ(state.info(), "");
    EXPECT_EQ(last.importText, kPlain.report.importText);
}

TEST(AnalyzeState, AFailedLoadLeavesEmptyViewsAfterAnalyze) {
    PeReport last;
    AnalyzeState state(last);
    state.loaded(kHook);
    state.analyze();
    PeAnalysis failed;
    failed.status = "Complete Open File -> x Click Analyze Now for view anaysis";
    failed.message = "Invalid DOS header!";
    failed.outcome = PeOutcome::InvalidDosHeader;
    state.startLoad();
    state.loaded(failed);
    state.analyze();
    EXPECT_EQ(state.views().dosText, "");
    EXPECT_EQ(state.views().importText, "");
    EXPECT_FALSE(state.classify());
    EXPECT_EQ(state.info(), "");
}

// A file that is no PE file clears the old file's views at once: its report must not
// stand under the new file's name until the next Analyze.
TEST(AnalyzeState, NoPeFileClearsTheOldViewsAndLabelAtOnce) {
    for (const auto outcome :
         {PeOutcome::InvalidDosHeader, PeOutcome::InvalidPeFile, PeOutcome::DosHeaderTruncated}) {
        PeReport last;
        AnalyzeState state(last);
        state.startLoad();
        state.loaded(kHook);
        state.analyze();
        ASSERT_TRUE(state.classify());
        PeAnalysis failed;
        failed.outcome = outcome;
        if (outcome == PeOutcome::InvalidPeFile)
            failed.report.dosText = "IMAGE_DOS_HEADER\r\n";
        state.startLoad();
        EXPECT_TRUE(state.loaded(failed));
        EXPECT_EQ(state.views().dosText, failed.report.dosText);
        EXPECT_EQ(state.views().importText, "");
        EXPECT_EQ(state.info(), "");
    }
    // A PE file leaves the views to Analyze, as before.
    PeReport last;
    AnalyzeState state(last);
    EXPECT_FALSE(state.loaded(kHook));
    EXPECT_EQ(state.views().importText, "");
}

TEST(AnalyzeState, ANewWindowShowsNothingUntilAnalyzeThenTheLastFile) {
    PeReport last;
    {
        AnalyzeState first(last);
        first.loaded(kHook);
        first.analyze();
        first.classify();
    }
    AnalyzeState reopened(last);
    EXPECT_EQ(reopened.views().importText, "");
    EXPECT_EQ(reopened.info(), "");
    EXPECT_EQ(reopened.status(), "N/A");
    reopened.analyze();
    EXPECT_EQ(reopened.views().importText, kHook.report.importText);
    EXPECT_TRUE(reopened.classify());
}

TEST(AnalyzeState, AnalyzeBeforeAnyLoadShowsEmptyViews) {
    AnalyzeState state(LastAnalysedReport());
    LastAnalysedReport() = {};
    state.analyze();
    EXPECT_EQ(state.views().dosText, "");
    EXPECT_FALSE(state.classify());
    EXPECT_EQ(state.info(), "");
}

} // namespace
} // namespace quorvel::pe
