// The board's version words: query 0x2C (8 zero bytes) gives two words, query 0x2D
// (4 zero bytes) one word, copied as the board sends them (little-endian).
#pragma once

#include <cstdint>

#include "link/exchanger.h"

namespace vantis::link {

inline constexpr std::uint8_t kVersionPairCode = 0x2C;
inline constexpr std::uint8_t kVersionWordCode = 0x2D;

// Sets the outputs to 0, then fills each from its query. A failed query leaves its output
// 0; a reply shorter than asked fills only the bytes it has. Null outputs are skipped (their
// query is still made, so the board sees the same traffic). Returns 0 when both queries
// were answered, otherwise the first failure's result; a board that is gone (50-52) is
// not asked the second query.
LinkResult ReadVersionWords(Exchanger& link, std::uint32_t two[2], std::uint32_t* one);

}  // namespace vantis::link
