// The one process-wide document lock. It guards the channel list and every
// command sent to the projectors. It is recursive: a thread that holds it may
// take it again (a document operation called from inside a longer locked
// sequence such as the capture).
#pragma once

#include <mutex>

namespace VantisAuto {

std::recursive_mutex& DocumentLock();

using DocLock = std::lock_guard<std::recursive_mutex>;

}  // namespace VantisAuto
