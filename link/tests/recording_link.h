// Test helper: an Exchanger that records every frame, answers commands with
// scripted results and register reads from a small register file, and can
// turn the recorded register-write frames back into (page, register, value)
// writes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "link/exchanger.h"
#include "link/result.h"

namespace vantis::link::testing {

struct RegisterWrite {
    uint8_t page;
    uint8_t reg;
    uint8_t value;
    bool operator==(const RegisterWrite&) const = default;
};

class RecordingLink final : public Exchanger {
  public:
    using Frames = std::vector<std::vector<uint8_t>>;

    // Result of the n-th frame sent (commands and queries counted together).
    std::function<LinkResult(std::size_t index, const std::vector<uint8_t>& frame)> answer;
    // What register reads return, by (page, register).
    std::map<std::pair<uint8_t, uint8_t>, uint8_t> registers;
    // When set, the payload of every successful query comes from here instead of the
    // register file (version queries, short or odd replies).
    std::function<std::vector<uint8_t>(std::size_t index, const std::vector<uint8_t>& frame)> queryPayload;

    LinkResult Command(std::span<const uint8_t> frame) override {
        frames.emplace_back(frame.begin(), frame.end());
        // A one-word register frame selects the page for the next read.
        if (frame.size() == 8 && frame[2] == 0x11 && frame[5] == 0x00) selected_ = frame[6];
        return answer ? answer(frames.size() - 1, frames.back()) : kOk;
    }

    LinkResult Query(std::span<const uint8_t> frame, std::vector<uint8_t>& payload) override {
        frames.emplace_back(frame.begin(), frame.end());
        payload.clear();
        const LinkResult r = answer ? answer(frames.size() - 1, frames.back()) : kOk;
        if (r != kOk) return r;
        if (queryPayload) {
            payload = queryPayload(frames.size() - 1, frames.back());
            return payload.empty() ? kMalformed : kOk;
        }
        for (std::size_t i = 5; i + 1 < frame.size() - 1; i += 2) {
            payload.push_back(frame[i]);
            auto it = registers.find({selected_, frame[i]});
            payload.push_back(it == registers.end() ? 0 : it->second);
        }
        return kOk;
    }

    // The command frames with code `code`, in order.
    Frames WithCode(uint8_t code) const {
        Frames out;
        for (const auto& f : frames)
            if (f.size() > 2 && f[1] == 0x01 && f[2] == code) out.push_back(f);
        return out;
    }

    // Every register write carried by the recorded register-write frames, page
    // words (and padding) consumed.
    std::vector<RegisterWrite> Writes() const {
        std::vector<RegisterWrite> out;
        uint8_t page = 0;
        for (const auto& f : WithCode(0x11)) {
            for (std::size_t i = 5; i + 1 < f.size() - 1; i += 2) {
                if (f[i] == 0x00)
                    page = f[i + 1];
                else
                    out.push_back({page, f[i], f[i + 1]});
            }
        }
        return out;
    }

    Frames frames;

  private:
    uint8_t selected_ = 0;
};

inline std::size_t PayloadLength(const std::vector<uint8_t>& frame) {
    return std::size_t(frame[3]) << 8 | frame[4];
}

}  // namespace vantis::link::testing
