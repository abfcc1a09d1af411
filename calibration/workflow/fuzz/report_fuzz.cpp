// Feeds arbitrary bytes to the readers of files a run finds beside the
// configuration: an earlier report and the kept block centres. A report that
// reads back must write and read again to the same JSON.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration/report.h"
#include "calibration/report_measures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    vantis::calibration::RunReport report;
    if (vantis::calibration::ReportFromJson(text, &report, &error)) {
        const std::string once = vantis::calibration::ReportToJson(report);
        vantis::calibration::RunReport again;
        if (!vantis::calibration::ReportFromJson(once, &again, &error)) std::abort();
        if (vantis::calibration::ReportToJson(again) != once) std::abort();
        (void)vantis::calibration::SummaryLines(report);
    }
    vantis::calibration::StoredCentres centres;
    (void)vantis::calibration::CentresFromJson(text, &centres, &error);
    return 0;
}
