// Feeds arbitrary bytes to the project-file reader. A file that reads must
// write back to bytes that read again to the same document.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "vantis/model/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    VantisAuto::CDoc doc;
    std::string error;
    if (!vantis::model::LoadProjectBytes(doc, bytes, &error)) {
        if (error.empty()) std::abort();  // every failure says why
        return 0;
    }
    const auto saved = vantis::model::SaveProjectBytes(doc);
    VantisAuto::CDoc again;
    if (!vantis::model::LoadProjectBytes(again, saved, &error)) std::abort();
    if (vantis::model::SaveProjectBytes(again) != saved) std::abort();
    return 0;
}
