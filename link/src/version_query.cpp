#include "link/version_query.h"

#include <algorithm>
#include <vector>

#include "link/frame.h"
#include "link/result.h"

namespace vantis::link {
namespace {

// Little-endian words from the first bytes of `payload`; missing bytes stay 0.
void CopyWords(const std::vector<std::uint8_t>& payload, std::uint32_t* words, std::size_t count) {
    const std::size_t bytes = std::min(payload.size(), 4 * count);
    for (std::size_t i = 0; i < bytes; ++i) words[i / 4] |= std::uint32_t{payload[i]} << (8 * (i % 4));
}

}  // namespace

LinkResult ReadVersionWords(Exchanger& link, std::uint32_t two[2], std::uint32_t* one) {
    if (two != nullptr) two[0] = two[1] = 0;
    if (one != nullptr) *one = 0;
    std::vector<std::uint8_t> payload;

    Frame pair = Frame::Query(kVersionPairCode);
    pair.AppendZeros(8);
    const LinkResult first = link.Query(pair.Close(), payload);
    if (first == kOk && two != nullptr) CopyWords(payload, two, 2);
    if (first >= kNetworkError) return first;

    Frame word = Frame::Query(kVersionWordCode);
    word.AppendZeros(4);
    const LinkResult second = link.Query(word.Close(), payload);
    if (second == kOk && one != nullptr) CopyWords(payload, one, 1);
    return first != kOk ? first : second;
}

}  // namespace vantis::link
