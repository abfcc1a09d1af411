// Scene files come from users: the reader must reject any text cleanly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "wallsim/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wallsim::Scene scene;
    std::string error;
    if (wallsim::ParseScene(std::string(reinterpret_cast<const char*>(data), size), &scene, &error)) {
        wallsim::Scene again;
        if (!wallsim::ParseScene(wallsim::SceneToJson(scene), &again, &error)) __builtin_trap();
    }
    return 0;
}
