// The document operations that drive the projectors of every channel through
// the projector link.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "VantisCore.h"
#include "dvOrvelAuto.h"
#include "vantis/model/blend_zones.h"
#include "vantis/model/device_ops.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"
#include "vantis/model/source_map.h"

namespace vantis::model {

PreviewColours PreviewColoursOf(int slot, LayoutInfo layout) {
    constexpr PreviewColours kEven{0xFF00FF, 0x00FFFF};
    constexpr PreviewColours kOdd{0x00FF00, 0xFFFF00};
    bool even = slot % 2 == 0;
    if (layout.columns > 1 && layout.rows > 1 && (slot / layout.rows) % 2 != 0) even = !even;
    return even ? kEven : kOdd;
}

int PanelFrameLines(int w, int h, PreviewLine out[4]) {
    if (w == 1280 && h == 800) {
        out[0] = {false, 0, 1, 1280};
        out[1] = {false, 0, h - 1, w};
        out[2] = {true, 0, 1, h - 1};
        out[3] = {true, w - 1, 1, h - 1};
    } else {
        out[0] = {false, 0, 0, w};
        out[1] = {false, 0, h - 1, w};
        out[2] = {true, 0, 0, h};
        out[3] = {true, w - 1, 1, h};
    }
    return 4;
}

int OverlapLines(int overlapX, int overlapY, int w, int h, LayoutInfo layout, int column, int row,
                 PreviewLine out[8]) {
    int n = 0;
    const auto vertical = [&] {
        const bool first = column == 1;
        const bool last = !first && column == layout.columns;
        if (!first) {
            out[n++] = {true, 0, 0, h};
            out[n++] = {true, overlapX, 0, h};
        }
        if (!last) {
            out[n++] = {true, w - overlapX - 1, 0, h};
            out[n++] = {true, w - 1, 0, h};
        }
    };
    const auto horizontal = [&] {
        const bool first = row == 1;
        const bool last = !first && row == layout.rows;
        if (!first) {
            out[n++] = {false, 0, 0, w};
            out[n++] = {false, 0, overlapY, w};
        }
        if (!last) {
            out[n++] = {false, 0, h - overlapY - 1, w};
            out[n++] = {false, 0, h - 1, w};
        }
    };
    if (layout.columns > 1 && layout.rows == 1) {
        vertical();
    } else if (layout.columns == 1 && layout.rows > 1) {
        horizontal();
    } else {
        vertical();
        horizontal();
    }
    return n;
}

void IdentityWarp(std::int32_t timing, TablePairData& forward, TablePairData& source) {
    forward.x.Fill(0.0f);
    forward.y.Fill(0.0f);
    source.x.Fill(0.0f);
    source.y.Fill(0.0f);
    const int type = PatternTypeOfTiming(timing);
    const PatternInfo info = AutoWarpGetPatternInfo(false, type);
    WarpGrid grid;
    AutoWarpInitWarping(&grid, type);
    const int columns = std::min(info.gridColumns, kTableColumns);
    const int rows = std::min(info.gridRows, kTableRows);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const std::size_t k = static_cast<std::size_t>(i) * info.gridColumns + j;
            if (k >= grid.size()) continue;
            forward.x[j][i] = grid[k].x;
            forward.y[j][i] = grid[k].y;
        }
    }
    const TimingInfo panel = TimingOf(timing);
    ComputeSourceMap(forward, panel.width, panel.height, info.gridColumns, info.gridRows, source);
}

int WarpPrepareCommand(LinkHandle link) {
    if (link == 0) return kPrepareRefused;
    static constexpr std::uint8_t kFrame[6] = {0xFE, 0x00, 0x32, 0x00, 0x00, 0xFF};
    ::send(link, kFrame, sizeof kFrame, MSG_NOSIGNAL);
    std::uint8_t reply[2054];
    ssize_t got;
    do {
        got = ::recv(link, reply, sizeof reply, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 6 || reply[0] != 0xFE) return kPrepareInvalid;
    const int length = reply[3] * 256 + reply[4];
    // The end byte must lie inside what was received.
    if (length > 2048 || 6 + length > got || reply[5 + length] != 0xFF) return kPrepareInvalid;
    return length == 1 && reply[5] == 1 ? kPrepareOk : kPrepareRefused;
}

}  // namespace vantis::model

namespace VantisAuto {

using vantis::model::PreviewLine;

namespace {

TablePair View(vantis::model::TablePairData& tables) {
    return TablePair{tables.x.Columns(), tables.y.Columns()};
}

// Every line is sent; the result is the first failure, or success.
LinkResult DrawLines(LinkHandle link, const PreviewLine* lines, int count, std::uint32_t colour) {
    const std::uint32_t sent = vantis::model::SwapRedBlue(colour);
    LinkResult first = LINK_RESULT_OK;
    for (int k = 0; k < count; ++k) {
        const PreviewLine& l = lines[k];
        const LinkResult r = l.vertical ? dvOrvelAutoDrawVLine(link, l.x, l.y, l.length, sent)
                                        : dvOrvelAutoDrawHLine(link, l.x, l.y, l.length, sent);
        if (first == LINK_RESULT_OK) first = r;
    }
    return first;
}

}  // namespace

void CDoc::ClearAll() {
    DocLock lock(DocumentLock());
    for (auto& c : m_channels) dvOrvelAutoClearImage(c->m_hLink);
}

void CDoc::RestorePictures() {
    DocLock lock(DocumentLock());
    for (auto& c : m_channels) {
        if (c->m_hLink == 0) continue;
        dvOrvelAutoImageUnBlank(c->m_hLink);
        dvOrvelAutoClearSolidColor(c->m_hLink);
        dvOrvelAutoClearImage(c->m_hLink);
    }
}

void CDoc::ResetAll() {
    DocLock lock(DocumentLock());
    for (auto& c : m_channels) dvOrvelAutoResetSys(c->m_hLink, m_nTiming);
}

void CDoc::ResetBlendGamma() {
    DocLock lock(DocumentLock());
    for (auto& c : m_channels) dvOrvelAutoResetEdgeBlendGamma(c->m_hLink, m_nTiming);
}

void CDoc::DisableBlackLevel() {
    DocLock lock(DocumentLock());
    for (auto& c : m_channels) dvOrvelAutoEnableBlackLevel(c->m_hLink, 0);
}

void CDoc::ReadCorrections() {
    {
        DocLock lock(DocumentLock());
        for (auto& c : m_channels) dvOrvelAutoReadBlackLevel(c->m_hLink, &c->m_bBlackLevel);
    }
    {
        DocLock lock(DocumentLock());
        for (auto& c : m_channels) dvOrvelAutoReadUniformity(c->m_hLink, &c->m_bUniformity);
    }
    {
        DocLock lock(DocumentLock());
        for (auto& c : m_channels) dvOrvelAutoReadGlobalContrast(c->m_hLink, &c->m_bGlobalContrast);
    }
}

bool CDoc::SaveAll() {
    DocLock lock(DocumentLock());
    bool all = true;
    for (auto& c : m_channels) all = SaveChannel(*c) == LINK_RESULT_OK && all;
    return all;
}

bool CDoc::DownloadWarps() {
    DocLock lock(DocumentLock());
    bool all = true;
    for (auto& c : m_channels) all = DownloadChannelWarp(*c) == LINK_RESULT_OK && all;
    return all;
}

void CDoc::DownloadIdentityWarps() {
    DocLock lock(DocumentLock());
    // The identity of the document's timing, built once for the pass.
    auto forward = std::make_unique<vantis::model::TablePairData>();
    auto source = std::make_unique<vantis::model::TablePairData>();
    vantis::model::IdentityWarp(m_nTiming, *forward, *source);
    int width = 0, height = 0;
    GetTimingSize(&width, &height);
    TablePair f = View(*forward), s = View(*source);
    for (auto& c : m_channels) {
        vantis::model::WarpPrepareCommand(c->m_hLink);
        dvOrvelAutoDownloadWarp(c->m_hLink, &f, &s, width, height);
    }
}

bool CDoc::DownloadBlends(double gamma) {
    m_gamma.m_gamma = gamma;
    DocLock lock(DocumentLock());
    bool all = true;
    for (auto& c : m_channels) all = DownloadChannelBlend(*c, gamma) == LINK_RESULT_OK && all;
    return all;
}

void CDoc::ShowWhiteAll() {
    for (auto& c : m_channels) dvOrvelAutoDisplaySolidColor(c->m_hLink, 0xFFFFFF);
}

void CDoc::ClearWhiteAll() {
    for (auto& c : m_channels) dvOrvelAutoClearSolidColor(c->m_hLink);
}

void CDoc::DrawFramesAll() {
    for (auto& c : m_channels) DrawChannelFrame(*c);
}

LinkResult CDoc::DrawChannelFrame(CChannel& channel) {
    int width = 0, height = 0;
    GetTimingSize(&width, &height);
    PreviewLine frame[4];
    const int n = vantis::model::PanelFrameLines(width, height, frame);
    return DrawLines(channel.m_hLink, frame, n, 0xFFFFFF);
}

void CDoc::DrawOverlapPreview() {
    for (auto& c : m_channels) DrawChannelOverlapPreview(*c);
}

LinkResult CDoc::DrawChannelOverlapPreview(CChannel& channel) {
    int width = 0, height = 0;
    GetTimingSize(&width, &height);
    const auto layout = Layout();
    const auto colours = vantis::model::PreviewColoursOf(channel.m_nSlot, layout);
    PreviewLine lines[8];
    int n = vantis::model::PanelFrameLines(width, height, lines);
    const LinkResult frame = DrawLines(channel.m_hLink, lines, n, colours.frame);
    n = vantis::model::OverlapLines(m_overlapPixels[0], m_overlapPixels[1], width, height, layout,
                                    channel.m_nColumn, channel.m_nRow, lines);
    const LinkResult overlap = DrawLines(channel.m_hLink, lines, n, colours.lines);
    return frame != LINK_RESULT_OK ? frame : overlap;
}

LinkResult CDoc::DownloadChannelWarp(CChannel& channel) {
    int width = 0, height = 0;
    GetTimingSize(&width, &height);
    vantis::model::WarpPrepareCommand(channel.m_hLink);
    TablePair f = View(channel.m_forward), s = View(channel.m_source);
    return dvOrvelAutoDownloadWarp(channel.m_hLink, &f, &s, width, height);
}

LinkResult CDoc::DownloadChannelBlend(CChannel& channel, double gamma) {
    int width = 0, height = 0;
    GetTimingSize(&width, &height);
    const BlendEdges edges = GetBlendEdges(channel);
    return dvOrvelAutoDownloadBlend(channel.m_hLink, width, height, &edges, 1, gamma);
}

LinkResult CDoc::SaveChannel(CChannel& channel) {
    return dvOrvelAutoSaveSys(channel.m_hLink);
}

LinkResult CDoc::DownloadChannelIdentityWarp(std::int32_t timing, CChannel& channel) {
    auto forward = std::make_unique<vantis::model::TablePairData>();
    auto source = std::make_unique<vantis::model::TablePairData>();
    vantis::model::IdentityWarp(timing, *forward, *source);
    const auto panel = vantis::model::TimingOf(timing);
    vantis::model::WarpPrepareCommand(channel.m_hLink);
    TablePair f = View(*forward), s = View(*source);
    return dvOrvelAutoDownloadWarp(channel.m_hLink, &f, &s, panel.width, panel.height);
}

BlendEdges CDoc::GetBlendEdges(const CChannel& channel) const {
    // The zones of a seam depend on every channel beside it, so the whole wall's are computed.
    const auto zones = vantis::model::DocumentBlendZones(*this, vantis::model::ConfiguredBlendZoneRule());
    for (std::size_t i = 0; i < m_channels.size() && i < zones.size(); ++i)
        if (m_channels[i].get() == &channel) return zones[i];
    const auto panel = vantis::model::TimingOf(m_nTiming);
    return vantis::model::ComputeBlendEdges(m_overlapPixels[0], m_overlapPixels[1], panel.width, panel.height,
                                            Layout(), channel.m_nColumn, channel.m_nRow);
}

}  // namespace VantisAuto
