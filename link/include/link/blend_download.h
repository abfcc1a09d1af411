// Blend zones, gamma, the blend reset and the three picture corrections, over
// any Exchanger.
#pragma once

#include <cstdint>

#include "link/blend_zones.h"
#include "link/exchanger.h"
#include "link/register_batch.h"
#include "vantis_link_types.h"

namespace vantis::link {

// Page 3 blend registers (16-bit values over two registers, little-endian).
inline constexpr uint8_t kBlendPage = 3;
inline constexpr RegisterSpec kZoneEnableFlags{kBlendPage, 0x08, 2};  // bit z: zone z on
// Start, width and ramp register of each zone, in zone order left, right, top, bottom.
inline constexpr uint8_t kZoneStartRegister[kBlendZones] = {0x0A, 0x0E, 0x12, 0x16};
inline constexpr uint8_t kZoneWidthRegister[kBlendZones] = {0x0C, 0x10, 0x14, 0x18};
inline constexpr uint8_t kZoneRampRegister[kBlendZones] = {0x1F, 0x21, 0x24, 0x26};
inline constexpr uint8_t kLeftOffMarker = 0x1E;  // 0x80 while the left zone is off
inline constexpr uint8_t kTopOffMarker = 0x23;   // 0x80 while the top zone is off
inline constexpr uint8_t kZoneOffMarkerValue = 0x80;
inline constexpr uint8_t kResetClearedFirst = 0x1A;        // 0x1A..0x1D: bit 0 cleared by a reset
inline constexpr RegisterSpec kBlendApply{0xFF, 0x00, 1};  // written 3 after blend writes
inline constexpr uint8_t kBlendApplyValue = 3;

inline constexpr uint8_t kGammaModeCode = 0x27;   // payload: the gamma flag
inline constexpr uint8_t kGammaValueCode = 0x28;  // payload: 16-bit gamma x 100

// Zones, enable flags and gamma. `traceHandle` names the connection in the
// trace line. Stops at the first failed zone write or apply write; once the
// flags were read it carries on and returns the gamma-mode command's result.
// The edges must be valid (BlendEdgesValid).
LinkResult DownloadBlend(Exchanger& link, int32_t traceHandle, const BlendEdgeValues& edges,
                         int32_t gammaFlag, double gamma);

// The checked entry point of the exports: null edges, or an enabled zone
// narrower than 2 pixels, give kArgumentRefused before any exchange.
LinkResult DownloadBlendChecked(Exchanger& link, int32_t traceHandle, const int32_t* edges, int32_t gammaFlag,
                                double gamma);

// All four zones off for the panel of a ResolutionType, gamma mode 0, then
// bit 0 of registers 0x1A..0x1D cleared. Returns the result of that last write.
LinkResult ResetBlend(Exchanger& link, int32_t traceHandle, int32_t resolutionType);

// The picture corrections: switched by one command each, read back from a
// board register bit.
enum class Correction { kUniformity, kBlackLevel, kGlobalContrast };
struct CorrectionInfo {
    uint8_t command;   // FE 01 <command> 00 01 <on/off> FF
    RegisterSpec reg;  // where the board shows the state
    uint8_t bit;       // which bit of that (little-endian) value
};
CorrectionInfo CorrectionRegisters(Correction c);

// Sends the low 8 bits of `on` unchanged (2 goes out as 02).
LinkResult EnableCorrection(Exchanger& link, Correction c, int32_t on);

// 0 or 1 from the board's register; 0 when the register cannot be read.
uint8_t ReadCorrection(Exchanger& link, Correction c);

}  // namespace vantis::link
