#include "vantis/model/doc_lock.h"

namespace VantisAuto {

std::recursive_mutex& DocumentLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace VantisAuto
