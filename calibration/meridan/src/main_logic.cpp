#include "meridan/main_logic.h"

#include <algorithm>
#include <cctype>

#include "dvOrvelAuto.h"
#include "vantis/model/doc_lock.h"

namespace meridan {

int ChannelImageIndex(int state, bool selected) {
    switch (state) {
        case VantisAuto::CChannel::kStateConnected:
            return selected ? 1 : 0;
        case 4:
            return selected ? 5 : 4;
        default:
            return selected ? 3 : 2;
    }
}

bool SolutionBlends(const VantisAuto::CDoc& doc) {
    return doc.m_nSolution == 1 || doc.m_nSolution == 2;
}

bool CanRecalibrate(const VantisAuto::CDoc& doc) {
    if (!doc.m_bCalibrated) return false;
    for (const auto& c : doc.m_channels)
        if (c->m_strCenterPhoto.empty() || c->m_strGridPhoto.empty()) return false;
    return true;
}

ButtonStates ButtonsAfterJob(const VantisAuto::CDoc& doc, int e) {
    const bool on = e != 0;
    ButtonStates b;
    b.camera = on;
    b.reset = on;
    b.resync = on && doc.m_bSyncReady != 0;
    b.recalibration = on && CanRecalibrate(doc);
    b.others = on && SolutionBlends(doc);
    return b;
}

std::optional<std::uint32_t> AddressFromLabel(const std::string& text, std::uint32_t currentAddress) {
    // Surrounding blanks are forgiven; anything else that is not a digit is not an address.
    auto first = text.find_first_not_of(' ');
    auto last = text.find_last_not_of(' ');
    if (first == std::string::npos) return std::nullopt;
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const int n = std::stoi(digits);
    // 0 is the network and 255 its broadcast; neither is a projector.
    if (n < 1 || n > 254) return std::nullopt;
    return (currentAddress & 0xFFFFFF00u) | static_cast<std::uint32_t>(n);
}

bool IsAddressRepeat(const VantisAuto::CDoc& doc, std::uint32_t address) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    return std::any_of(doc.m_channels.begin(), doc.m_channels.end(),
                       [address](const auto& channel) { return channel->m_dwIp == address; });
}

int DeleteChannelAt(VantisAuto::CDoc& doc, int index) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    if (doc.m_channels.size() <= 2) return -1;
    if (index < 0 || index >= static_cast<int>(doc.m_channels.size())) return -1;
    doc.RemoveChannel(doc.m_channels[static_cast<std::size_t>(index)]->m_dwIp);
    return static_cast<int>(doc.m_channels.size());
}

CameraCheck DecideCameraCheck(const std::wstring& storedName, const std::vector<std::wstring>& attached,
                              bool viewOpen) {
    CameraCheck check;
    if (attached.empty()) {
        if (viewOpen) {
            check.stopView = true;
            check.clearName = true;
        }
        return check;
    }
    const bool found = std::find(attached.begin(), attached.end(), storedName) != attached.end();
    if (!found && viewOpen) {
        check.stopView = true;
        check.clearName = true;
    }
    return check;
}

const VantisAuto::CChannel* FirstDeadChannel(VantisAuto::CDoc& doc) {
    VantisAuto::DocLock lock(VantisAuto::DocumentLock());
    for (auto& c : doc.m_channels)
        if (!dvOrvelAutoIsAlive(c->m_hLink)) return c.get();
    return nullptr;
}

}  // namespace meridan
