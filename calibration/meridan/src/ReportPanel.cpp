#include "meridan/ReportPanel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace meridan {

using vantis::calibration::ProjectorReport;
using vantis::calibration::RunReport;
using vantis::calibration::Verdict;

namespace {

QString tr(const char* text, int n = -1) {
    return QCoreApplication::translate("ReportPanel", text, nullptr, n);
}

QString Number(const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : QStringLiteral("-");
}

QString RunKindText(vantis::calibration::RunKind kind) {
    switch (kind) {
        case vantis::calibration::RunKind::Calibration:
            return tr("Calibration");
        case vantis::calibration::RunKind::Recalibration:
            return tr("Re-calibration");
        case vantis::calibration::RunKind::Maintenance:
            return tr("Maintenance run");
        case vantis::calibration::RunKind::Check:
            return tr("Drift check");
    }
    return {};
}

QString VerdictText(Verdict v) {
    switch (v) {
        case Verdict::Green:
            return tr("good");
        case Verdict::Amber:
            return tr("check");
        case Verdict::Red:
            return tr("bad");
    }
    return {};
}

QStringList RowOf(const ProjectorReport& p) {
    QString blocks = QStringLiteral("-");
    if (p.blocksFound && p.blocksExpected)
        blocks = QStringLiteral("%1/%2").arg(*p.blocksFound).arg(*p.blocksExpected);
    QString residual = QStringLiteral("-");
    if (p.residualRms) residual = Number(p.residualRms, 2) + QStringLiteral(" / ") + Number(p.residualMax, 2);
    QString exceeded;
    for (const auto& e : p.exceeded)
        exceeded += (exceeded.isEmpty() ? QString() : QStringLiteral(", ")) + QString::fromStdString(e);
    return {QString::fromStdString(p.address),
            VerdictText(p.verdict),
            blocks,
            residual,
            Number(p.extrapolation, 1),
            Number(p.coverage, 3),
            p.drift ? QString::number(p.drift->rmsPanel, 'f', 2) : QStringLiteral("-"),
            exceeded};
}

}  // namespace

QColor ReportPanel::VerdictColour(Verdict verdict) {
    switch (verdict) {
        case Verdict::Green:
            return QColor(0x2e, 0x9e, 0x4f);
        case Verdict::Amber:
            return QColor(0xe0, 0x9a, 0x1a);
        case Verdict::Red:
            return QColor(0xc8, 0x32, 0x32);
    }
    return {};
}

QString ReportSummaryText(const RunReport& r) {
    QString outcome;
    switch (r.outcome) {
        case vantis::calibration::RunOutcome::Ok:
            outcome = tr("completed");
            break;
        case vantis::calibration::RunOutcome::Refused:
            outcome = tr("refused (message %1)").arg(r.message);
            break;
        case vantis::calibration::RunOutcome::Failed:
            outcome = tr("failed");
            break;
    }
    const auto exceeded = vantis::calibration::ExceededProjectors(r);
    QString text = tr("%1 %2 in %3 s (capture %4 s, computation %5 s, download %6 s).")
                       .arg(RunKindText(r.kind), outcome)
                       .arg(static_cast<long long>(r.end - r.start))
                       .arg(r.captureSeconds, 0, 'f', 1)
                       .arg(r.computeSeconds, 0, 'f', 1)
                       .arg(r.downloadSeconds, 0, 'f', 1);
    text += QLatin1Char(' ');
    text += exceeded.empty() ? tr("Every projector is within its thresholds.")
                             : tr("%n projector(s) out of threshold.", static_cast<int>(exceeded.size()));
    return text;
}

ReportPanel::ReportPanel(const RunReport& report, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ReportPanel"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(tr("Calibration report"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    table_ = new QTableWidget(static_cast<int>(report.projectors.size()), 8, this);
    table_->setHorizontalHeaderLabels({tr("Projector"), tr("Verdict"), tr("Blocks"),
                                       tr("Residual RMS / max (px)"), tr("Extrapolation (px)"),
                                       tr("Coverage"), tr("Drift (px)"), tr("Exceeded")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    for (int row = 0; row < table_->rowCount(); ++row) {
        const ProjectorReport& p = report.projectors[static_cast<std::size_t>(row)];
        const QStringList cells = RowOf(p);
        for (int column = 0; column < cells.size(); ++column)
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
        QTableWidgetItem* verdict = table_->item(row, 1);
        verdict->setBackground(VerdictColour(p.verdict));
        verdict->setForeground(Qt::white);
    }
    table_->resizeColumnsToContents();
    layout->addWidget(table_, 1);

    summary_ = new QLabel(ReportSummaryText(report), this);
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    auto* thresholds = new QLabel(tr("Thresholds: residual %1 px RMS, coverage %2, drift %3 px.")
                                      .arg(report.thresholds.residualRms)
                                      .arg(report.thresholds.coverage)
                                      .arg(report.thresholds.drift),
                                  this);
    layout->addWidget(thresholds);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("ReportClose"));
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, [this] {
        if (onClose_) onClose_();
        this->close();
    });
}

}  // namespace meridan
