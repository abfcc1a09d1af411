#include "vantis/model/plausibility.h"

#include <algorithm>
#include <cmath>

#include "vantis/model/timing.h"

namespace vantis::model {
namespace {

constexpr std::int32_t kLayoutCount = 14;
constexpr std::int32_t kTimingCount = 14;

bool Refuse(std::string* why, std::string text) {
    if (why) *why = std::move(text);
    return false;
}

bool TableFinite(const FloatTable& table, int columns, int rows) {
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r)
            if (!std::isfinite(table[c][r])) return false;
    return true;
}

std::string AddressText(std::uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." +
           std::to_string((a >> 8) & 0xFF) + "." + std::to_string(a & 0xFF);
}

}  // namespace

bool IsUnicastAddress(std::uint32_t address) {
    const std::uint32_t first = address >> 24;
    return first != 0 && first < 224;
}

bool CheckPlausible(const VantisAuto::CDoc& doc, std::string* why) {
    if (doc.m_nSolution < 0 || doc.m_nSolution > 2)
        return Refuse(why, "unknown solution " + std::to_string(doc.m_nSolution));
    if (doc.m_nLayout < 0 || doc.m_nLayout >= kLayoutCount)
        return Refuse(why, "unknown layout " + std::to_string(doc.m_nLayout));
    if (doc.m_nTiming < 0 || doc.m_nTiming >= kTimingCount || TimingOf(doc.m_nTiming).width <= 0)
        return Refuse(why, "unknown output timing " + std::to_string(doc.m_nTiming));
    if (doc.m_nStackCount < 0 || doc.m_nStackCount > kMaxStackCount)
        return Refuse(why, "stack count " + std::to_string(doc.m_nStackCount) + " out of range");

    // The wizard makes columns x rows x stack channels; deleting channels later makes fewer.
    const LayoutInfo layout = LayoutOf(doc.m_nLayout);
    const std::int64_t places = static_cast<std::int64_t>(layout.columns) * layout.rows *
                                std::max<std::int32_t>(1, doc.m_nStackCount);
    const auto count = static_cast<std::int64_t>(doc.m_channels.size());
    if (count > places || count > kMaxChannels)
        return Refuse(why, std::to_string(count) + " channels do not fit layout " +
                               std::to_string(layout.columns) + " x " + std::to_string(layout.rows) +
                               " with stack count " + std::to_string(doc.m_nStackCount));
    for (std::size_t i = 0; i < doc.m_channels.size(); ++i) {
        const VantisAuto::CChannel& c = *doc.m_channels[i];
        const std::string which = "channel " + std::to_string(i + 1);
        if (!IsUnicastAddress(c.m_dwIp))
            return Refuse(why,
                          which + " has address " + AddressText(c.m_dwIp) + ", which no projector can have");
        if (c.m_nColumn < 1 || c.m_nColumn > layout.columns || c.m_nRow < 1 || c.m_nRow > layout.rows)
            return Refuse(why, which + " lies outside the layout (column " + std::to_string(c.m_nColumn) +
                                   ", row " + std::to_string(c.m_nRow) + ")");
        if (!std::isfinite(c.m_threshold) || c.m_threshold < 0.0 || c.m_threshold > 255.0)
            return Refuse(why, which + " has an impossible threshold");
    }

    for (int p = 0; p < kCameraPropertyCount; ++p) {
        const std::int32_t value = doc.m_camera.m_props[static_cast<std::size_t>(p)].value;
        if (value < -kCameraValueLimit || value > kCameraValueLimit)
            return Refuse(why, std::string("camera value ") +
                                   CameraPropertyName(static_cast<CameraProperty>(p)) + " = " +
                                   std::to_string(value) + " out of range");
    }
    if (!std::isfinite(doc.m_gamma.m_gamma) || doc.m_gamma.m_gamma < kMinGamma ||
        doc.m_gamma.m_gamma > kMaxGamma)
        return Refuse(why, "blend gamma out of range 0.0 to 10.0");

    const CBoundaryDoc& b = doc.m_boundary;
    for (const TablePairData* t : {&b.m_tableA, &b.m_tableB, &b.m_tableC})
        if (!TableFinite(t->x, CBoundaryDoc::kPointColumns, CBoundaryDoc::kPointRows) ||
            !TableFinite(t->y, CBoundaryDoc::kPointColumns, CBoundaryDoc::kPointRows))
            return Refuse(why, "boundary table holds values that are not numbers");
    for (const FloatTable& rect : b.m_rects)
        if (!TableFinite(rect, CBoundaryDoc::kRectSize, CBoundaryDoc::kRectSize))
            return Refuse(why, "boundary rectangle table holds values that are not numbers");
    return true;
}

}  // namespace vantis::model
