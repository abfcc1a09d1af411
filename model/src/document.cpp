#include "vantis/model/document.h"

#include <algorithm>

#include "vantis/model/doc_lock.h"
#include "vantis/model/link_closer.h"
#include "vantis/model/plausibility.h"

namespace VantisAuto {

CDoc::~CDoc() {
    DeleteAllChannels();
}

void CDoc::Serialize(vantis::Archive& ar) {
    ar.SetContext("document flags");
    for (auto* flag : {&m_bAutoExecution, &m_bConnected, &m_bCameraConfigured, &m_bBoundaryDone, &m_bWarped,
                       &m_bBlended, &m_bCalibrated}) {
        bool value = *flag;
        ar.Bool(value);
        if (ar.IsLoading()) *flag = value;
    }
    ar.SetContext("document settings");
    ar.Int(m_nSolution);
    ar.Int(m_nTiming);
    std::int32_t blendSolution = m_bBlendSolution;
    ar.Int(blendSolution);
    if (ar.IsLoading()) m_bBlendSolution = blendSolution;
    std::int32_t count = 0;
    if (ar.IsStoring()) {
        DocLock lock(DocumentLock());
        count = static_cast<std::int32_t>(m_channels.size());
        m_nChannelCount = count;
    }
    ar.SetContext("channel count");
    ar.Int(count);
    if (ar.IsLoading()) m_nChannelCount = count;
    ar.SetContext("document settings");
    ar.Int(m_nLayout);
    ar.Int(m_nStackCount);
    ar.Int(m_nInputPort);
    ar.Pair(m_overlapPixels[0], m_overlapPixels[1]);
    ar.Pair(m_overlapPercent[0], m_overlapPercent[1]);
    m_camera.Serialize(ar);
    m_boundary.Serialize(ar);
    m_gamma.Serialize(ar);

    DocLock lock(DocumentLock());
    if (ar.IsStoring()) {
        for (auto& channel : m_channels) channel->Serialize(ar);
        return;
    }
    if (!ar.ok()) return;
    // Bounded before anything is allocated: each channel holds its warp tables in memory.
    if (count < 0 || count > vantis::model::kMaxChannels) {
        ar.Fail("corrupt channel count " + std::to_string(count));
        return;
    }
    if (!m_channels.empty()) {
        ar.Fail("document must be empty of channels before loading");
        return;
    }
    if (!ar.ExpectItems(static_cast<std::uint64_t>(count), kMinChannelRecordBytes, "channel records")) return;
    for (std::int32_t n = 0; n < count && ar.ok(); ++n) {
        auto channel = std::make_unique<CChannel>();
        channel->Serialize(ar);
        m_channels.push_back(std::move(channel));
    }
}

void CDoc::Start() {
    DocLock lock(DocumentLock());
    m_bRunning = 1;
}

void CDoc::Stop() {
    DocLock lock(DocumentLock());
    m_bRunning = 0;
}

CChannel* CDoc::AddChannel(std::uint32_t address) {
    DocLock lock(DocumentLock());
    m_channels.push_back(std::make_unique<CChannel>(address));
    return m_channels.back().get();
}

void CDoc::RemoveChannel(std::uint32_t address) {
    DocLock lock(DocumentLock());
    std::erase_if(m_channels, [address](const auto& channel) { return channel->m_dwIp == address; });
}

void CDoc::DeleteAllChannels() {
    DocLock lock(DocumentLock());
    m_channels.clear();
}

void CDoc::DisconnectAll() {
    DocLock lock(DocumentLock());
    for (auto& channel : m_channels) {
        if (channel->m_hLink == 0) continue;
        vantis::model::CloseLinkHandle(channel->m_hLink);
        channel->m_hLink = 0;
        vantis::model::CloseLinkHandle(0);  // the link library's clean-up call
    }
}

void CDoc::ClearThresholds() {
    DocLock lock(DocumentLock());
    for (auto& channel : m_channels) channel->m_threshold = 0.0;
}

std::wstring CDoc::GetCameraName() const {
    DocLock lock(DocumentLock());
    return m_camera.m_name;
}

void CDoc::SetCameraName(const std::wstring& name) {
    DocLock lock(DocumentLock());
    m_camera.m_name = name;
}

void CDoc::ClearCameraName() {
    DocLock lock(DocumentLock());
    m_camera.m_name.clear();
}

void CDoc::GetTimingSize(int* width, int* height) {
    const auto timing = vantis::model::TimingOf(m_nTiming);
    if (width) *width = timing.width;
    if (height) *height = timing.height;
    m_fRefresh = timing.refresh;
}

void CDoc::TakeProjectFrom(CDoc& other) {
    DocLock lock(DocumentLock());
    DeleteAllChannels();
    m_channels = std::move(other.m_channels);
    other.m_channels.clear();

    m_bAutoExecution = other.m_bAutoExecution;
    m_bConnected = other.m_bConnected;
    m_bCameraConfigured = other.m_bCameraConfigured;
    m_bBoundaryDone = other.m_bBoundaryDone;
    m_bWarped = other.m_bWarped;
    m_bBlended = other.m_bBlended;
    m_bCalibrated = other.m_bCalibrated;
    m_nSolution = other.m_nSolution;
    m_nTiming = other.m_nTiming;
    m_bBlendSolution = other.m_bBlendSolution;
    m_nChannelCount = other.m_nChannelCount;
    m_nLayout = other.m_nLayout;
    m_nStackCount = other.m_nStackCount;
    m_nInputPort = other.m_nInputPort;
    std::copy_n(other.m_overlapPixels, 2, m_overlapPixels);
    std::copy_n(other.m_overlapPercent, 2, m_overlapPercent);

    // The camera record stores only the name and the values; ranges and flags
    // stay as the camera last reported them.
    m_camera.m_name = other.m_camera.m_name;
    for (int p = 0; p < kCameraPropertyCount; ++p)
        m_camera.m_props[p].value = other.m_camera.m_props[p].value;

    m_boundary.m_nValueA = other.m_boundary.m_nValueA;
    m_boundary.m_nValueB = other.m_boundary.m_nValueB;
    m_boundary.m_tableA = other.m_boundary.m_tableA;
    m_boundary.m_tableB = other.m_boundary.m_tableB;
    m_boundary.m_tableC = other.m_boundary.m_tableC;
    for (int t = 0; t < 4; ++t) m_boundary.m_rects[t] = other.m_boundary.m_rects[t];
    m_gamma.m_gamma = other.m_gamma.m_gamma;
}

}  // namespace VantisAuto
