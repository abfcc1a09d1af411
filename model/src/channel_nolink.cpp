// Builds without the projector link library: no link can have been opened, so
// closing one only forgets the handle.
#include "vantis/model/doc_lock.h"
#include "vantis/model/document.h"

namespace VantisAuto {

void CChannel::CloseLink() { m_hLink = 0; }

void CDoc::DisconnectAll() {
    DocLock lock(DocumentLock());
    for (auto& channel : m_channels) channel->m_hLink = 0;
}

}  // namespace VantisAuto
