#include "link/blend_download.h"

#include <algorithm>

#include "link/argument_checks.h"
#include "link/frame.h"
#include "link/result.h"
#include "link/trace.h"

namespace vantis::link {

namespace {

LinkResult SendOneByteCommand(Exchanger& link, uint8_t code, uint8_t value) {
    Frame frame = Frame::Command(code);
    frame.Append(value);
    return link.Command(frame.Close());
}

}  // namespace

LinkResult DownloadBlend(Exchanger& link, int32_t traceHandle, const BlendEdgeValues& edges,
                         int32_t gammaFlag, double gamma) {
    Trace("dvVantisPlusDownloadBlend, %x\n", unsigned(traceHandle));
    RegisterBatch batch(link);
    for (int z = 0; z < kBlendZones; ++z) {
        if (!ZoneEnabled(edges, z)) continue;
        const uint32_t start = uint32_t(ZoneStart(edges, z)) & 0xFFFF;
        const uint32_t width = uint32_t(ZoneWidth(edges, z)) & 0xFFFF;
        LinkResult result = batch.Write({kBlendPage, kZoneStartRegister[z], 2}, start);
        if (result == kOk) result = batch.Write({kBlendPage, kZoneWidthRegister[z], 2}, width);
        if (result == kOk)
            result =
                batch.Write({kBlendPage, kZoneRampRegister[z], 2}, ZoneRampValue(z, ZoneWidth(edges, z)));
        if (result != kOk) return result;
    }
    LinkResult result = batch.Write(kBlendApply, kBlendApplyValue, true);
    if (result != kOk) return result;

    // The flags word holds bits of the board's own; only bits 0..3 are ours. A read the
    // board refuses or answers oddly is taken as 0; a board that is gone ends the operation.
    uint32_t current = 0;
    result = ReadRegisters(link, kZoneEnableFlags, current);
    if (result >= kNetworkError) return result;
    const uint16_t flags = MergeZoneEnableFlags(uint16_t(current), edges);

    RegisterBatch fresh(link);
    result =
        fresh.Write({kBlendPage, kLeftOffMarker, 1}, ZoneEnabled(edges, kZoneLeft) ? 0 : kZoneOffMarkerValue);
    if (result == kOk)
        result = fresh.Write({kBlendPage, kTopOffMarker, 1},
                             ZoneEnabled(edges, kZoneTop) ? 0 : kZoneOffMarkerValue);
    if (result == kOk) result = fresh.Write(kZoneEnableFlags, flags);
    if (result == kOk) result = fresh.Write(kBlendApply, kBlendApplyValue, true);
    if (result != kOk) return result;

    if (gammaFlag == 1) {
        const uint16_t g = GammaCode(gamma);
        Frame frame = Frame::Command(kGammaValueCode);
        frame.AppendLe16(g);
        result = link.Command(frame.Close());
        if (result != kOk) return result;
    }
    return SendOneByteCommand(link, kGammaModeCode, uint8_t(gammaFlag & 0xFF));
}

LinkResult DownloadBlendChecked(Exchanger& link, int32_t traceHandle, const int32_t* edges, int32_t gammaFlag,
                                double gamma) {
    if (edges == nullptr) return kArgumentRefused;
    BlendEdgeValues values;
    std::copy_n(edges, values.size(), values.begin());
    if (!BlendEdgesValid(values)) return kArgumentRefused;
    return DownloadBlend(link, traceHandle, values, gammaFlag, gamma);
}

LinkResult ResetBlend(Exchanger& link, int32_t traceHandle, int32_t resolutionType) {
    Trace("dvVantisPlusResetSys, %x\n", unsigned(traceHandle));
    // A refusal does not stop the reset; a board that is gone does (one time-out, not six).
    LinkResult sent = DownloadBlend(link, traceHandle, ResetBlendEdges(resolutionType), 0, 2.2);
    if (sent >= kNetworkError) return sent;

    uint32_t values[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        // unreadable: 0
        sent = ReadRegisters(link, {kBlendPage, uint8_t(kResetClearedFirst + i), 1}, values[i]);
        if (sent >= kNetworkError) return sent;
    }
    RegisterBatch batch(link);
    LinkResult result = kOk;
    for (int i = 0; i < 4; ++i)
        result =
            batch.Write({kBlendPage, uint8_t(kResetClearedFirst + i), 1}, values[i] & ~1u, /*final=*/i == 3);
    return result;
}

CorrectionInfo CorrectionRegisters(Correction c) {
    switch (c) {
        case Correction::kUniformity:
            return {0x29, {1, 0x24, 1}, 0};
        case Correction::kBlackLevel:
            return {0x2A, {3, 0x38, 2}, 0};
        case Correction::kGlobalContrast:
            return {0x2B, {5, 0x1F, 1}, 5};
    }
    return {0x29, {1, 0x24, 1}, 0};
}

LinkResult EnableCorrection(Exchanger& link, Correction c, int32_t on) {
    return SendOneByteCommand(link, CorrectionRegisters(c).command, uint8_t(on & 0xFF));
}

uint8_t ReadCorrection(Exchanger& link, Correction c) {
    const CorrectionInfo info = CorrectionRegisters(c);
    uint32_t value = 0;
    if (ReadRegisters(link, info.reg, value) != kOk) return 0;
    return uint8_t((value >> info.bit) & 1u);
}

}  // namespace vantis::link
