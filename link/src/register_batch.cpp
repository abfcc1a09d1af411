#include "link/register_batch.h"

#include <algorithm>
#include <vector>

#include "link/result.h"

namespace vantis::link {

LinkResult RegisterBatch::SendPending() {
    const LinkResult result = link_.Command(frame_.Close());
    frame_.ClearPayload();
    return result;
}

LinkResult RegisterBatch::AppendWord(std::uint8_t address, std::uint8_t value) {
    frame_.Append(address);
    frame_.Append(value);
    if (frame_.payload_size() >= kBatchFlushBytes) return SendPending();
    return kOk;
}

LinkResult RegisterBatch::Write(RegisterSpec spec, std::uint32_t value, bool final) {
    page_ = spec.page;
    LinkResult result = AppendWord(0x00, spec.page);
    for (unsigned i = 0; result == kOk && i < spec.count; ++i) {
        const auto byte = static_cast<std::uint8_t>(i < 4 ? value >> (8 * i) : 0);
        result = AppendWord(static_cast<std::uint8_t>(spec.first + i), byte);
    }
    if (result == kOk && final) result = Flush();
    if (result != kOk) frame_.ClearPayload();
    return result;
}

LinkResult RegisterBatch::Flush() {
    if (frame_.payload_size() == 0) return kOk;
    while (pending_words() % kBatchPadWords != 0) {
        frame_.Append(0x00);
        frame_.Append(page_);
    }
    return SendPending();
}

LinkResult ReadRegisters(Exchanger& link, RegisterSpec spec, std::uint32_t& value) {
    value = 0;
    const unsigned count = std::clamp<unsigned>(spec.count, 1, 4);

    Frame select = Frame::Command(kRegisterCode);
    select.Append(0x00);
    select.Append(spec.page);
    // The board's refusal of a page select does not matter; a board that is gone does.
    const LinkResult selected = link.Command(select.Close());
    if (selected >= kNetworkError) return selected;

    Frame query = Frame::Query(kRegisterCode);
    for (unsigned i = 0; i < count; ++i) {
        query.Append(static_cast<std::uint8_t>(spec.first + i));
        query.Append(0x00);
    }
    std::vector<std::uint8_t> payload;
    const LinkResult result = link.Query(query.Close(), payload);
    if (result != kOk) return result;
    if (payload.size() < 2 * count) return kMalformed;
    std::uint32_t combined = 0;
    for (unsigned i = 0; i < count; ++i) combined |= std::uint32_t{payload[2 * i + 1]} << (8 * i);
    value = combined;
    return kOk;
}

}  // namespace vantis::link
