#include "dialogs/wizard_logic.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "dvOrvelAuto.h"
#include "vantis/delays.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"
#include "vantis/model/timing.h"

namespace meridan::dialogs {

std::vector<int> ResolutionChoices(bool blend) {
    std::vector<int> out;
    for (const auto& c : vantis::model::kWizardTimings)
        if (!blend || (c.timing != 1 && c.timing != 11 && c.timing != 12)) out.push_back(c.timing);
    return out;
}

std::vector<int> LayoutChoices(int solution, bool blend, int timing) {
    if (solution == kStacking) return {0};
    if (!blend) return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    if (timing == 0) return {1, 2, 3, 6, 7, 11};
    return {1, 2, 6, 7, 11, 12, 13};
}

void WizardModel::LoadFrom(const VantisAuto::CDoc& doc) {
    solution = std::clamp(doc.m_nSolution, 0, 2);
    inputPort = doc.m_nInputPort == 1 ? 1 : 0;
    blend = doc.m_bBlendSolution != 0;
    timing = doc.m_nTiming;
    layout = doc.m_nLayout;
    stack = std::max(1, doc.m_nStackCount);
    entries.clear();
    for (const auto& c : doc.m_channels) entries.push_back({c->m_dwIp, c->m_nColumn, c->m_nRow, 0});
}

void WizardModel::ChooseSolution(int s) {
    solution = std::clamp(s, 0, 2);
    blend = solution != kStacking;
}

void WizardModel::EnterLayoutPage() {
    reset = solution != lastSolution_ || static_cast<int>(blend) != lastBlend_;
    lastSolution_ = solution;
    lastBlend_ = blend;
    RefreshLayoutPage();
}

void WizardModel::RefreshLayoutPage() {
    if (reset) {
        timing = 8;
        layout = 1;
    }
    const auto timings = ResolutionChoices(blend);
    if (std::find(timings.begin(), timings.end(), timing) == timings.end()) {
        // A stored 11 or 12 with blending shows as XGA; anything else as the first entry.
        timing = (blend && (timing == 11 || timing == 12)) ? 0 : timings.front();
    }
    if (solution == kStacking) {
        layout = 0;
        if (reset) stack = 1;
    } else if (solution == kBlending) {
        stack = 1;
    } else if (reset) {
        stack = 2;
    }
    stack = std::max(stack, MinimumStack());
    const auto layouts = LayoutChoices(solution, blend, timing);
    if (std::find(layouts.begin(), layouts.end(), layout) == layouts.end()) layout = layouts.front();
    if (reset) FillForLayout();
    reset = false;
}

int WizardModel::RequiredEntries() const {
    const auto l = vantis::model::LayoutOf(layout);
    return l.columns * l.rows * stack;
}

void WizardModel::FillForLayout() {
    entries.clear();
    const auto l = vantis::model::LayoutOf(layout);
    const int places = l.columns * l.rows;
    const int count = RequiredEntries();
    for (int i = 0; i < count; ++i) {
        const int p = i % places;
        entries.push_back(
            {kFirstListAddress + static_cast<std::uint32_t>(i), p % l.columns + 1, p / l.columns + 1, 0});
    }
}

void WizardModel::SetStack(int n) {
    stack = std::max(n, MinimumStack());
    if (entries.empty()) {
        FillForLayout();
        return;
    }
    const auto l = vantis::model::LayoutOf(layout);
    const int places = l.columns * l.rows;
    const std::size_t want = static_cast<std::size_t>(RequiredEntries());
    while (entries.size() > want) entries.pop_back();
    while (entries.size() < want) {
        const int p = static_cast<int>(entries.size()) % places;
        std::uint32_t next = kFirstListAddress;
        for (const auto& e : entries) next = std::max(next, e.address + 1);
        entries.push_back({next, p % l.columns + 1, p / l.columns + 1, 0});
    }
}

void WizardModel::SetLayout(int index) {
    layout = index;
    FillForLayout();
}

void WizardModel::SetTiming(int t) {
    timing = t;
    const auto layouts = LayoutChoices(solution, blend, timing);
    if (std::find(layouts.begin(), layouts.end(), layout) == layouts.end()) SetLayout(layouts.front());
}

bool WizardModel::HasRepeatedAddress() const {
    std::set<std::uint32_t> seen;
    for (const auto& e : entries)
        if (!seen.insert(e.address).second) return true;
    return false;
}

bool WizardModel::LayoutChangedSinceOverlap() {
    const bool changed = timing != overlapTiming_ || layout != overlapLayout_;
    overlapTiming_ = timing;
    overlapLayout_ = layout;
    return changed;
}

void WizardModel::WriteTo(VantisAuto::CDoc& doc, const int overlapPercent[2],
                          const int overlapPixels[2]) const {
    doc.m_nSolution = solution;
    doc.m_nTiming = timing;
    doc.m_nChannelCount = static_cast<int>(entries.size());
    doc.m_bBlendSolution = blend ? 1 : 0;
    doc.m_nLayout = layout;
    doc.m_nInputPort = inputPort;
    doc.m_nStackCount = stack;
    for (int i = 0; i < 2; ++i) {
        doc.m_overlapPercent[i] = overlapPercent[i];
        doc.m_overlapPixels[i] = overlapPixels[i];
    }
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    doc.DeleteAllChannels();
    int slot = 0;
    for (const auto& e : entries) {
        auto* c = doc.AddChannel(e.address);
        c->m_nSlot = slot++;
        c->m_nColumn = e.column;
        c->m_nRow = e.row;
    }
}

CheckResult NetworkCheck(std::vector<AddressEntry>& entries, vantis::model::EchoProber& prober) {
    if (entries.empty()) return CheckResult::Empty;
    std::set<std::uint32_t> seen;
    for (const auto& e : entries)
        if (!seen.insert(e.address).second) return CheckResult::Repeated;
    const auto timeout = vantis::delays::Scaled(vantis::delays::kEchoTimeout);
    bool allAnswered = true;
    for (auto& e : entries) {
        const bool answered = prober.Echo(e.address, timeout);
        e.colour = answered ? kEntryAnswered : kEntrySilent;
        allAnswered = allAnswered && answered;
    }
    if (!allAnswered) return CheckResult::Silent;
    VantisAuto::CDoc channels;
    bool opened = true;
    for (const auto& e : entries) {
        auto* c = channels.AddChannel(e.address);
        if (!vantis::model::IsReachable(e.address, prober)) {
            opened = false;
            continue;
        }
        c->m_hLink = dvOrvelAutoOpen(e.address);
        if (c->m_hLink == 0) opened = false;
    }
    channels.DeleteAllChannels();
    return opened ? CheckResult::Passed : CheckResult::OpenFailed;
}

bool ApplyTiming(VantisAuto::CDoc& channels, const std::vector<AddressEntry>& entries, int timing,
                 vantis::model::EchoProber& prober, int* failedOctet) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    channels.DeleteAllChannels();
    for (const auto& e : entries) {
        auto* c = channels.AddChannel(e.address);
        c->m_nColumn = e.column;
        c->m_nRow = e.row;
    }
    for (auto& c : channels.m_channels) {
        c->CloseLink();
        if (vantis::model::IsReachable(c->m_dwIp, prober)) c->m_hLink = dvOrvelAutoOpen(c->m_dwIp);
        if (c->m_hLink == 0) {
            if (failedOctet) *failedOctet = c->LastOctet();
            return false;
        }
    }
    for (auto& c : channels.m_channels) dvOrvelAutoClearImage(c->m_hLink);
    for (auto& c : channels.m_channels) dvOrvelAutoResetSys(c->m_hLink, timing);
    for (auto& c : channels.m_channels) channels.DownloadChannelIdentityWarp(timing, *c);
    return true;
}

void CloseWizardChannels(VantisAuto::CDoc& channels, bool clear) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    for (auto& c : channels.m_channels) {
        if (clear && c->m_hLink != 0 && dvOrvelAutoIsAlive(c->m_hLink)) dvOrvelAutoClearImage(c->m_hLink);
        c->CloseLink();
    }
    channels.DeleteAllChannels();
}

}  // namespace meridan::dialogs
