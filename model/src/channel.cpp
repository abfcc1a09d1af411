#include "vantis/model/channel.h"

#include <cstdio>

namespace VantisAuto {

void CWarp::Serialize(vantis::Archive& ar) {
    ar.SetContext("channel threshold");
    ar.Double(m_threshold);
}

CChannel::~CChannel() { CloseLink(); }

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
