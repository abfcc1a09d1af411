// Closing channel links through the projector link library.
#include "dvOrvelAuto.h"
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

namespace VantisAuto {

void CChannel::CloseLink() {
    if (m_hLink != 0) {
        dvOrvelAutoDisconnect(m_hLink);
        m_hLink = 0;
    }
}

void CDoc::DisconnectAll() {
    DocLock lock(DocumentLock());
    for (auto& channel : m_channels) {
        if (channel->m_hLink == 0) continue;
        dvOrvelAutoDisconnect(channel->m_hLink);
        channel->m_hLink = 0;
        // The link's clean-up call.
        dvOrvelAutoDisconnect(0);
    }
}

}  // namespace VantisAuto
