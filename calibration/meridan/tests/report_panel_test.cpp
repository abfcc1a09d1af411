// The result panel: one row per projector with its verdict coloured, the
// figures shown (a dash where a figure is missing), the run line, Close
// telling the window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "meridan/ReportPanel.h"
#include "qt_test_support.h"

namespace {

using vantis::calibration::DriftFigures;
using vantis::calibration::ProjectorReport;
using vantis::calibration::RunReport;
using vantis::calibration::Verdict;

RunReport ThreeProjectors() {
    RunReport r;
    r.kind = vantis::calibration::RunKind::Calibration;
    r.start = 1'800'000'000;
    r.end = r.start + 72;
    r.captureSeconds = 50;
    for (const char* address : {"127.0.0.11", "127.0.0.12", "127.0.0.13"}) {
        ProjectorReport p;
        p.address = address;
        p.blocksFound = 510;
        p.blocksExpected = 510;
        p.residualRms = 0.21;
        p.residualMax = 0.6;
        p.coverage = 0.995;
        r.projectors.push_back(p);
    }
    r.projectors[1].residualRms = 0.7;  // amber
    r.projectors[2].coverage = 0.8;     // red
    r.projectors[0].drift = DriftFigures{0.5, 1, 0.12, 0.3, 510};
    vantis::calibration::ApplyThresholds(r);
    return r;
}

TEST(ReportPanel, RowsVerdictColoursAndFigures) {
    meridan::test::App();
    const RunReport report = ThreeProjectors();
    meridan::ReportPanel panel(report);
    QTableWidget* table = panel.Table();
    ASSERT_EQ(table->rowCount(), 3);
    const Verdict expected[] = {Verdict::Green, Verdict::Amber, Verdict::Red};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(table->item(row, 0)->text().toStdString(),
                  report.projectors[static_cast<std::size_t>(row)].address);
        EXPECT_EQ(table->item(row, 1)->background().color(),
                  meridan::ReportPanel::VerdictColour(expected[row]))
            << row;
    }
    EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("510/510"));
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("0.21 / 0.60"));
    EXPECT_EQ(table->item(0, 6)->text(), QStringLiteral("0.12"));
    EXPECT_EQ(table->item(1, 6)->text(), QStringLiteral("-"));  // no earlier run to compare with
    EXPECT_EQ(table->item(1, 7)->text(), QStringLiteral("residual"));
    EXPECT_EQ(table->item(2, 7)->text(), QStringLiteral("coverage"));
    const QString summary = panel.Summary()->text();
    EXPECT_TRUE(summary.contains(QStringLiteral("72 s"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("2 projector(s) out of threshold"))) << summary.toStdString();
    EXPECT_NE(meridan::ReportPanel::VerdictColour(Verdict::Green),
              meridan::ReportPanel::VerdictColour(Verdict::Red));
}

TEST(ReportPanel, FailedRunSaysSoAndCloseTellsTheWindow) {
    meridan::test::App();
    RunReport report = ThreeProjectors();
    report.outcome = vantis::calibration::RunOutcome::Refused;
    report.message = 203;
    vantis::calibration::ApplyThresholds(report);
    auto* panel = new meridan::ReportPanel(report);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(panel->Table()->item(row, 1)->background().color(),
                  meridan::ReportPanel::VerdictColour(Verdict::Red));
    EXPECT_TRUE(panel->Summary()->text().contains(QStringLiteral("refused (message 203)")));
    bool closed = false;
    panel->SetOnClose([&] { closed = true; });
    panel->show();
    auto* close = panel->findChild<QPushButton*>(QStringLiteral("ReportClose"));
    ASSERT_NE(close, nullptr);
    close->click();
    EXPECT_TRUE(closed);
}

}  // namespace
