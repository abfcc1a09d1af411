// Built when the simulated engine boards are not part of the build.
#include "board_link.h"

namespace wallsim::tool {

std::unique_ptr<BoardSet> StartBoards(const Scene&, std::string* error) {
    *error = "this wallsim was built without the simulated engine boards";
    return nullptr;
}

}  // namespace wallsim::tool
