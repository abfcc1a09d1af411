// Display commands and the save sequence: the frames, and the operations that send
// them. Both link libraries export these operations under their own names; the trace
// texts are the same for both.
//
//   blank / unblank     FE 01 21 00 01 01|00 FF
//   clear image         FE 01 22 00 00 FF
//   solid colour        FE 01 23 00 04 B G R 01 FF        (colour least significant byte first)
//   clear solid colour  FE 01 23 00 04 00 00 00 00 FF
//   rectangle pattern   FE 01 20 00 1C R G B v1..v12 (LE16 each) last FF
//   circle pattern      FE 01 26 00 1C (the same payload) FF
//   vertical line       FE 01 24 00 09 x y length (LE16 each) R G B FF
//   horizontal line     FE 01 25 00 09 (the same payload) FF
//   save                eight frames: 18, 1B, 19, 17 (payload 07), 1C, 1A, 1D, 1F
#pragma once

#include <array>
#include <cstdint>

#include "link/exchanger.h"
#include "link/frame.h"
#include "vantis_link_types.h"

namespace vantis::link {

namespace code {
inline constexpr std::uint8_t kRectanglePattern = 0x20;
inline constexpr std::uint8_t kBlank = 0x21;
inline constexpr std::uint8_t kClearImage = 0x22;
inline constexpr std::uint8_t kSolidColour = 0x23;
inline constexpr std::uint8_t kVerticalLine = 0x24;
inline constexpr std::uint8_t kHorizontalLine = 0x25;
inline constexpr std::uint8_t kCirclePattern = 0x26;
}  // namespace code

// The codes of the save sequence, in the order they are sent; step 4 (0x17) carries 07.
inline constexpr std::array<std::uint8_t, 8> kSaveSteps = {0x18, 0x1B, 0x19, 0x17, 0x1C, 0x1A, 0x1D, 0x1F};
inline constexpr std::uint8_t kSaveStepWithPayload = 0x17;
inline constexpr std::uint8_t kSaveStepPayload = 0x07;

// Twelve geometry values (low 16 bits sent) and a final byte (low 8 bits sent).
struct PatternGeometry {
    std::array<std::int32_t, 12> values{};
    std::int32_t last = 0;
};

enum class PatternShape { kRectangle, kCircle };
enum class LineDirection { kVertical, kHorizontal };

Frame BlankFrame(bool blank);
Frame ClearImageFrame();
Frame SolidColourFrame(std::uint32_t colour);
Frame ClearSolidColourFrame();
Frame PatternFrame(PatternShape shape, std::uint32_t colour, const PatternGeometry& geometry);
Frame LineFrame(LineDirection direction, std::int32_t x, std::int32_t y, std::int32_t length,
                std::uint32_t colour);
Frame SaveStepFrame(std::uint8_t stepCode);

// The operations: trace line (with `handle` in it), one command exchange, its result.
LinkResult ImageBlank(Exchanger& link, LinkHandle handle);
LinkResult ImageUnBlank(Exchanger& link, LinkHandle handle);
LinkResult ClearImage(Exchanger& link, LinkHandle handle);
LinkResult DisplaySolidColour(Exchanger& link, LinkHandle handle, std::uint32_t colour);
LinkResult ClearSolidColour(Exchanger& link, LinkHandle handle);
LinkResult DrawPattern(Exchanger& link, LinkHandle handle, PatternShape shape, std::uint32_t colour,
                       const PatternGeometry& geometry);
LinkResult DrawLine(Exchanger& link, LinkHandle handle, LineDirection direction, std::int32_t x,
                    std::int32_t y, std::int32_t length, std::uint32_t colour);
// The eight save steps; stops at the first result that is not 0 and returns it.
LinkResult SaveSettings(Exchanger& link, LinkHandle handle);

}  // namespace vantis::link
