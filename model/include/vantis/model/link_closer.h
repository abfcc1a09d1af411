// How the document closes a channel's projector link. The document's data
// (vantis_model_data) knows no network: the device operations
// (vantis_model_ops) put the projector link's disconnect here when the
// program starts. A program without them (cfatool) never opens a link.
#pragma once

#include <cstdint>

namespace vantis::model {

// Closes one link; the handle 0 asks the link library for its clean-up.
using LinkCloser = std::int32_t (*)(std::int32_t handle);

void SetLinkCloser(LinkCloser closer);
// Closes the link through the installed closer. A handle without a closer is
// logged and forgotten (nothing could have opened it in this program).
void CloseLinkHandle(std::int32_t handle);

}  // namespace vantis::model
