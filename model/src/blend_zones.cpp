#include "vantis/model/blend_zones.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "vantis/model/config.h"
#include "vantis/model/document.h"
#include "vantis/model/warps_file.h"

namespace vantis::model {

BlendEdges ComputeBlendEdges(int overlapX, int overlapY, int width, int height, LayoutInfo layout, int column,
                             int row) {
    const int h = std::max(overlapX, kMinBlendZoneWidth);
    const int v = std::max(overlapY, kMinBlendZoneWidth);
    BlendEdges edges{};
    const std::int32_t zones[12] = {
        column != 1,
        0,
        h,  // left
        column != layout.columns,
        width - h,
        h,  // right
        row != 1,
        0,
        v,  // top
        row != layout.rows,
        height - v,
        v,  // bottom
    };
    std::copy(std::begin(zones), std::end(zones), edges.v);
    return edges;
}

int WarpNodesFor(int size) {
    return (size + 15) / 16 + 1;
}

namespace {

enum Zone { kLeft = 0, kRight = 1, kTop = 2, kBottom = 3 };

// One channel's warp seen along one picture axis: `along` is the axis the zone
// runs across (0: columns, x; 1: rows, y). Lines are the node rows (for x) or
// node columns (for y).
class AxisView {
  public:
    AxisView(const ZoneWarp& warp, int axis, int width, int height)
        : warp_(warp), axis_(axis), size_(axis == 0 ? width : height), across_(axis == 0 ? height : width) {}

    bool Usable() const {
        const size_t n = static_cast<size_t>(warp_.columns) * static_cast<size_t>(warp_.rows);
        return warp_.columns >= 2 && warp_.rows >= 2 && warp_.x.size() == n && warp_.y.size() == n;
    }
    int Nodes() const { return axis_ == 0 ? warp_.columns : warp_.rows; }
    int Lines() const { return axis_ == 0 ? warp_.rows : warp_.columns; }
    // Picture position of node k along the axis.
    double NodePosition(int k) const { return k == Nodes() - 1 ? size_ : 16.0 * k; }
    // Panel position (along, across) of node k on line l.
    double Along(int k, int l) const { return Value(axis_ == 0 ? warp_.x : warp_.y, k, l); }
    double Across(int k, int l) const { return Value(axis_ == 0 ? warp_.y : warp_.x, k, l); }

    // The picture position on line l where the panel's last pixel along the
    // axis is reached (the far edge), or the first (the near edge); nothing
    // when the line crosses that edge outside the panel or not at all.
    std::optional<double> LastShown(int l) const {
        const double edge = size_ - 1.0;
        int k = Nodes() - 1;
        while (k >= 0 && !(Along(k, l) <= edge)) --k;
        if (k < 0) return std::nullopt;
        if (k == Nodes() - 1)
            return AcrossInside(Across(k, l)) ? std::optional(NodePosition(k)) : std::nullopt;
        return Crossing(k, k + 1, l, edge);
    }
    std::optional<double> FirstShown(int l) const {
        int k = 0;
        while (k < Nodes() && !(Along(k, l) >= 0.0)) ++k;
        if (k == Nodes()) return std::nullopt;
        if (k == 0) return AcrossInside(Across(k, l)) ? std::optional(0.0) : std::nullopt;
        return Crossing(k - 1, k, l, 0.0);
    }
    // Panel position along the axis of picture position p on line l.
    double PanelAt(double p, int l) const {
        const int k = std::clamp(static_cast<int>(p / 16.0), 0, Nodes() - 2);
        const double a = NodePosition(k), b = NodePosition(k + 1);
        const double t = (p - a) / (b - a);
        return Along(k, l) + t * (Along(k + 1, l) - Along(k, l));
    }
    double PanelAcrossAt(double p, int l) const {
        const int k = std::clamp(static_cast<int>(p / 16.0), 0, Nodes() - 2);
        const double a = NodePosition(k), b = NodePosition(k + 1);
        const double t = (p - a) / (b - a);
        return Across(k, l) + t * (Across(k + 1, l) - Across(k, l));
    }
    bool AcrossInside(double v) const { return v >= 0.0 && v <= across_ - 1.0; }

  private:
    double Value(const std::vector<float>& table, int k, int l) const {
        const int column = axis_ == 0 ? k : l, row = axis_ == 0 ? l : k;
        return table[static_cast<size_t>(row) * static_cast<size_t>(warp_.columns) +
                     static_cast<size_t>(column)];
    }
    std::optional<double> Crossing(int k0, int k1, int l, double edge) const {
        const double a = Along(k0, l), b = Along(k1, l);
        if (!(b != a)) return std::nullopt;
        const double t = std::clamp((edge - a) / (b - a), 0.0, 1.0);
        const double across = Across(k0, l) + t * (Across(k1, l) - Across(k0, l));
        if (!AcrossInside(across)) return std::nullopt;
        return NodePosition(k0) + t * (NodePosition(k1) - NodePosition(k0));
    }

    const ZoneWarp& warp_;
    int axis_, size_, across_;
};

// The picture zone of one seam, as offsets [first, last] into the overlap
// (0 is the first overlap column of the later tile, zoneWidth - 1 the last
// column of the earlier one).
struct SeamZone {
    int first = 0, last = 0;
    bool calibrated = false;  // from the warps of the channels beside it
};

SeamZone NarrowSeam(const ZoneWall& wall, const std::vector<ZoneChannel>& channels, int axis, int seam,
                    int zoneWidth) {
    const int size = axis == 0 ? wall.width : wall.height;
    double lastShown = 1e300, firstShown = -1e300;
    bool calibrated = false;
    for (const ZoneChannel& c : channels) {
        const int place = axis == 0 ? c.column : c.row;
        if (place != seam && place != seam + 1) continue;
        const AxisView view(c.warp, axis, wall.width, wall.height);
        if (!view.Usable()) continue;
        calibrated = true;
        for (int l = 0; l < view.Lines(); ++l) {
            if (place == seam) {
                if (auto p = view.LastShown(l)) lastShown = std::min(lastShown, *p);
            } else if (auto p = view.FirstShown(l)) {
                firstShown = std::max(firstShown, *p);
            }
        }
    }
    SeamZone zone{0, zoneWidth - 1, calibrated};
    if (firstShown > -1e300)
        zone.first = std::clamp(static_cast<int>(std::ceil(firstShown)), 0, zoneWidth - 1);
    if (lastShown < 1e300)
        zone.last =
            std::clamp(static_cast<int>(std::floor(lastShown)) - (size - zoneWidth), 0, zoneWidth - 1);
    // Where the projectors share less than a zone's usual 50 pixels the ramp
    // gets steeper rather than reach into picture one side cannot show (a
    // darker band there); a seam they do not share at all gets the narrowest
    // ramp at its middle.
    const int least = std::min(zoneWidth, kMinSeamZoneWidth);
    if (zone.last - zone.first + 1 < least) {
        zone.first = std::clamp((zone.first + zone.last) / 2, 0, zoneWidth - least);
        zone.last = zone.first + least - 1;
    }
    return zone;
}

// Moves a picture zone [start, start + width - 1] of one channel to the panel
// positions where those picture columns (rows) land, averaged over the lines
// that show both ends. Unchanged when no line does.
void FollowWarp(const ZoneWarp& warp, int axis, int width, int height, std::int32_t* start,
                std::int32_t* zoneWidth) {
    const AxisView view(warp, axis, width, height);
    if (!view.Usable()) return;
    const double first = *start, last = *start + *zoneWidth - 1;
    double sumFirst = 0, sumLast = 0;
    int lines = 0;
    for (int l = 0; l < view.Lines(); ++l) {
        if (!view.AcrossInside(view.PanelAcrossAt(first, l)) ||
            !view.AcrossInside(view.PanelAcrossAt(last, l)))
            continue;
        sumFirst += view.PanelAt(first, l);
        sumLast += view.PanelAt(last, l);
        ++lines;
    }
    if (lines == 0) return;
    const int size = axis == 0 ? width : height;
    const int a = std::clamp(static_cast<int>(std::lround(sumFirst / lines)), 0, size - 2);
    const int b = std::clamp(static_cast<int>(std::lround(sumLast / lines)), a + 1, size - 1);
    *start = a;
    *zoneWidth = b - a + 1;
}

}  // namespace

std::vector<BlendEdges> WallBlendZones(const ZoneWall& wall, const std::vector<ZoneChannel>& channels,
                                       BlendZoneRule rule) {
    const int h = std::max(wall.overlapX, kMinBlendZoneWidth);
    const int v = std::max(wall.overlapY, kMinBlendZoneWidth);
    std::vector<SeamZone> columnSeams, rowSeams;  // seam k lies between places k + 1 and k + 2
    for (int seam = 1; seam < wall.layout.columns; ++seam)
        columnSeams.push_back(NarrowSeam(wall, channels, 0, seam, h));
    for (int seam = 1; seam < wall.layout.rows; ++seam)
        rowSeams.push_back(NarrowSeam(wall, channels, 1, seam, v));
    const auto seamOf = [](const std::vector<SeamZone>& seams, int k) -> const SeamZone* {
        return k >= 1 && k <= static_cast<int>(seams.size()) ? &seams[static_cast<size_t>(k - 1)] : nullptr;
    };

    std::vector<BlendEdges> out;
    out.reserve(channels.size());
    for (const ZoneChannel& c : channels) {
        BlendEdges e = ComputeBlendEdges(wall.overlapX, wall.overlapY, wall.width, wall.height, wall.layout,
                                         c.column, c.row);
        // Both zones of a seam cover its strip. The boards' falling ramp starts
        // one step below full light (its start value and its step are one
        // register), so on a calibrated wall the falling zone starts a pixel
        // later than the rising one: then the two ramps add up to exactly one.
        const auto place = [&](int zone, const SeamZone* seam, int zoneWidth, int size) {
            if (!seam || !e.v[3 * zone]) return;
            const bool rising = zone == kLeft || zone == kTop;
            e.v[3 * zone + 1] =
                rising ? seam->first : size - zoneWidth + seam->first + (seam->calibrated ? 1 : 0);
            e.v[3 * zone + 2] = seam->last - seam->first + 1;
        };
        place(kLeft, seamOf(columnSeams, c.column - 1), h, wall.width);
        place(kRight, seamOf(columnSeams, c.column), h, wall.width);
        place(kTop, seamOf(rowSeams, c.row - 1), v, wall.height);
        place(kBottom, seamOf(rowSeams, c.row), v, wall.height);
        if (rule == BlendZoneRule::kFollowWarp)
            for (int zone = 0; zone < 4; ++zone)
                if (e.v[3 * zone])
                    FollowWarp(c.warp, zone < kTop ? 0 : 1, wall.width, wall.height, &e.v[3 * zone + 1],
                               &e.v[3 * zone + 2]);
        out.push_back(e);
    }
    return out;
}

std::vector<BlendEdges> DocumentBlendZones(const VantisAuto::CDoc& doc, BlendZoneRule rule,
                                           const std::vector<StoredWarp>* warps) {
    const TimingInfo panel = TimingOf(doc.m_nTiming);
    ZoneWall wall;
    wall.overlapX = doc.m_overlapPixels[0];
    wall.overlapY = doc.m_overlapPixels[1];
    wall.width = panel.width;
    wall.height = panel.height;
    wall.layout = doc.Layout();
    const std::vector<StoredWarp> own = warps ? std::vector<StoredWarp>{} : DocumentWarps(doc);
    const std::vector<StoredWarp>& calibrated = warps ? *warps : own;
    std::vector<ZoneChannel> channels;
    for (std::size_t i = 0; i < doc.m_channels.size(); ++i) {
        ZoneChannel c;
        c.column = doc.m_channels[i]->m_nColumn;
        c.row = doc.m_channels[i]->m_nRow;
        if (i < calibrated.size()) c.warp = calibrated[i].warp;
        channels.push_back(std::move(c));
    }
    return WallBlendZones(wall, channels, rule);
}

namespace {
SettingOfDefaults<BlendZoneRule> configuredRule([](const Defaults& d) {
    return d.blendZonesFollowWarp ? BlendZoneRule::kFollowWarp : BlendZoneRule::kPicture;
});
}  // namespace

BlendZoneRule ConfiguredBlendZoneRule() {
    return configuredRule.Get();
}

void SetConfiguredBlendZoneRule(BlendZoneRule rule) {
    configuredRule.Set(rule);
}

}  // namespace vantis::model
