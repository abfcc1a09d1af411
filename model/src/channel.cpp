#include "vantis/model/channel.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "vantis/log.h"
#include "vantis/model/link_closer.h"

namespace vantis::model {
namespace {

std::atomic<LinkCloser>& InstalledCloser() {
    static std::atomic<LinkCloser> closer{nullptr};
    return closer;
}

}  // namespace

void SetLinkCloser(LinkCloser closer) {
    InstalledCloser() = closer;
}

void CloseLinkHandle(std::int32_t handle) {
    if (const LinkCloser closer = InstalledCloser().load()) {
        closer(handle);
    } else if (handle != 0) {
        vantis::log::Warning(
            "model", "link " + std::to_string(handle) + " left open: no link library in this program");
    }
}

}  // namespace vantis::model

namespace VantisAuto {

void CWarp::Serialize(vantis::Archive& ar) {
    ar.SetContext("channel threshold");
    ar.Double(m_threshold);
}

CChannel::~CChannel() {
    CloseLink();
}

void CChannel::CloseLink() {
    if (m_hLink != 0) {
        vantis::model::CloseLinkHandle(m_hLink);
        m_hLink = 0;
    }
}

void CChannel::Serialize(vantis::Archive& ar) {
    CWarp::Serialize(ar);
    ar.SetContext("channel address");
    ar.UInt(m_dwIp);
    ar.SetContext("channel slot");
    ar.Int(m_nSlot);
    ar.SetContext("channel column and row");
    ar.Pair(m_nColumn, m_nRow);
    ar.SetContext("black photo path");
    ar.String(m_strBlackPhoto);
    ar.SetContext("white photo path");
    ar.String(m_strWhitePhoto);
    ar.SetContext("centre photo path");
    ar.String(m_strCenterPhoto);
    ar.SetContext("grid photo path");
    ar.String(m_strGridPhoto);
}

std::string CChannel::Label() const {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", LastOctet());
    return text;
}

}  // namespace VantisAuto
