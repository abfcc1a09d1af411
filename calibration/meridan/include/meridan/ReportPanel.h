// The result panel of a calibration: one row per projector with a coloured
// verdict (green within thresholds, amber, red), its figures, and the run's
// outcome and time. It sits in the dock area; Close gives the dock back.
#pragma once

#include <QWidget>

#include <functional>

#include "calibration/report.h"

class QLabel;
class QTableWidget;

namespace meridan {

class ReportPanel : public QWidget {
  public:
    explicit ReportPanel(const vantis::calibration::RunReport& report, QWidget* parent = nullptr);

    QTableWidget* Table() const { return table_; }
    QLabel* Summary() const { return summary_; }

    // The colour of a verdict's cell.
    static QColor VerdictColour(vantis::calibration::Verdict verdict);

    // Called when the operator closes the panel, before it goes.
    void SetOnClose(std::function<void()> onClose) { onClose_ = std::move(onClose); }

  private:
    std::function<void()> onClose_;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
};

// The run line under the table: kind, outcome, time taken and what exceeded.
QString ReportSummaryText(const vantis::calibration::RunReport& report);

}  // namespace meridan
