#include "link/display_commands.h"

#include "link/result.h"
#include "link/trace.h"

namespace vantis::link {

Frame BlankFrame(bool blank) {
    Frame frame = Frame::Command(code::kBlank);
    frame.Append(blank ? 0x01 : 0x00);
    return frame;
}

Frame ClearImageFrame() {
    return Frame::Command(code::kClearImage);
}

Frame SolidColourFrame(std::uint32_t colour) {
    Frame frame = Frame::Command(code::kSolidColour);
    frame.AppendBgr(colour);
    frame.Append(0x01);
    return frame;
}

Frame ClearSolidColourFrame() {
    Frame frame = Frame::Command(code::kSolidColour);
    frame.AppendZeros(4);
    return frame;
}

Frame PatternFrame(PatternShape shape, std::uint32_t colour, const PatternGeometry& geometry) {
    Frame frame =
        Frame::Command(shape == PatternShape::kRectangle ? code::kRectanglePattern : code::kCirclePattern);
    frame.AppendRgb(colour);
    for (const std::int32_t value : geometry.values) frame.AppendLe16(static_cast<std::uint32_t>(value));
    frame.Append(static_cast<std::uint8_t>(geometry.last));
    return frame;
}

Frame LineFrame(LineDirection direction, std::int32_t x, std::int32_t y, std::int32_t length,
                std::uint32_t colour) {
    Frame frame =
        Frame::Command(direction == LineDirection::kVertical ? code::kVerticalLine : code::kHorizontalLine);
    frame.AppendLe16(static_cast<std::uint32_t>(x));
    frame.AppendLe16(static_cast<std::uint32_t>(y));
    frame.AppendLe16(static_cast<std::uint32_t>(length));
    frame.AppendRgb(colour);
    return frame;
}

Frame SaveStepFrame(std::uint8_t stepCode) {
    Frame frame = Frame::Command(stepCode);
    if (stepCode == kSaveStepWithPayload) frame.Append(kSaveStepPayload);
    return frame;
}

namespace {

LinkResult Send(Exchanger& link, Frame frame) {
    return link.Command(frame.Close());
}

}  // namespace

LinkResult ImageBlank(Exchanger& link, LinkHandle handle) {
    Trace("dvVantisPlusImageBlank, %x\n", static_cast<unsigned>(handle));
    return Send(link, BlankFrame(true));
}

LinkResult ImageUnBlank(Exchanger& link, LinkHandle handle) {
    Trace("dvVantisPlusImageUnBlank, %x\n", static_cast<unsigned>(handle));
    return Send(link, BlankFrame(false));
}

LinkResult ClearImage(Exchanger& link, LinkHandle handle) {
    Trace("dvVantisPlusClearImage, %x\n", static_cast<unsigned>(handle));
    return Send(link, ClearImageFrame());
}

LinkResult DisplaySolidColour(Exchanger& link, LinkHandle handle, std::uint32_t colour) {
    Trace("dvVantisPlusDisplaySolidColor, %x, color=%d,%d,%d\n", static_cast<unsigned>(handle),
          static_cast<int>((colour >> 16) & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
          static_cast<int>(colour & 0xFF));
    return Send(link, SolidColourFrame(colour));
}

LinkResult ClearSolidColour(Exchanger& link, LinkHandle handle) {
    Trace("dvVantisPlusClearSolidColor, %x\n", static_cast<unsigned>(handle));
    return Send(link, ClearSolidColourFrame());
}

LinkResult DrawPattern(Exchanger& link, LinkHandle handle, PatternShape shape, std::uint32_t colour,
                       const PatternGeometry& geometry) {
    Trace(shape == PatternShape::kRectangle ? "dvVantisPlusMakeRectanglePattern, %x\n"
                                            : "dvVantisPlusCircleRectanglePattern, %x\n",
          static_cast<unsigned>(handle));
    return Send(link, PatternFrame(shape, colour, geometry));
}

LinkResult DrawLine(Exchanger& link, LinkHandle handle, LineDirection direction, std::int32_t x,
                    std::int32_t y, std::int32_t length, std::uint32_t colour) {
    Trace(
        direction == LineDirection::kVertical ? "dvVantisPlusDrawVLine, %x\n" : "dvVantisPlusDrawHLine, %x\n",
        static_cast<unsigned>(handle));
    return Send(link, LineFrame(direction, x, y, length, colour));
}

LinkResult SaveSettings(Exchanger& link, LinkHandle handle) {
    Trace("dvVantisPlusSaveSys, %x\n", static_cast<unsigned>(handle));
    for (const std::uint8_t step : kSaveSteps) {
        const LinkResult result = Send(link, SaveStepFrame(step));
        if (result != kOk) return result;
    }
    return kOk;
}

}  // namespace vantis::link
