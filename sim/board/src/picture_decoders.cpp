// The warp lattice, filters, blend zones, gamma and picture corrections.
#include "wallsim/picture_decoders.h"

namespace wallsim::decode {
namespace {

constexpr std::uint8_t kWarpPage = 1;
constexpr std::uint8_t kTransferLow = 0x20;  // 0x20-0x21: 0x0040 while a map transfer runs
constexpr std::uint8_t kTransferHigh = 0x21;
constexpr std::uint8_t kPointer = 0x22;
constexpr std::uint8_t kDataPort = 0x23;
constexpr std::uint16_t kTransferOn = 0x0040;
constexpr std::uint8_t kControlPage = 0xFF;
constexpr std::uint8_t kFilterControl = 0x02;
constexpr std::uint8_t kFilterPage = 2;
constexpr std::uint8_t kBlendPage = 3;
constexpr std::size_t kBlockBytes = 1024;
constexpr int kEntries = kBoardLatticeColumns * kBoardLatticeRows;

struct CorrectionBit {
    std::uint8_t page;
    std::uint8_t reg;
    std::uint8_t mask;
};
constexpr CorrectionBit kUniformityBit{1, 0x24, 0x01};
constexpr CorrectionBit kBlackLevelBit{3, 0x38, 0x01};
constexpr CorrectionBit kGlobalContrastBit{5, 0x1F, 0x20};

std::int32_t CodeValue(std::uint16_t code) {
    return code >= 0xC000 ? std::int32_t(code) - 0x10000 : code;
}

LatticeNode NodeFromBytes(const std::uint8_t* b) {
    return {CodeValue(std::uint16_t(b[0] | b[1] << 8)), CodeValue(std::uint16_t(b[2] | b[3] << 8))};
}

std::uint16_t Word(const BoardState& s, std::uint8_t page, std::uint8_t reg) {
    return std::uint16_t(s.registers[page][reg] | s.registers[page][std::uint8_t(reg + 1)] << 8);
}

void TransferControlWritten(BoardState& s) {
    WarpLattice& w = s.warp;
    const std::uint16_t value = Word(s, kWarpPage, kTransferLow);
    if (value == kTransferOn && !w.transferOpen) {
        w.transferOpen = true;
        w.blocksReceived = 0;
        w.pointer = 0;
        w.pointerWrites = 0;
        w.portBytes = 0;
    } else if (value == 0 && w.transferOpen) {
        w.transferOpen = false;
        ++w.downloadsCompleted;
    }
}

void PointerWritten(WarpLattice& w, std::uint8_t value) {
    // Low byte first, then high byte; each pair names an entry.
    if (w.pointerWrites % 2 == 0)
        w.pointer = value;
    else
        w.pointer = (w.pointer & 0xFF) | value << 8;
    ++w.pointerWrites;
    w.portBytes = 0;
}

void DataPortWritten(WarpLattice& w, std::uint8_t value) {
    if (!w.transferOpen) return;
    w.portEntry[w.portBytes++] = value;
    if (w.portBytes < 4) return;
    w.portBytes = 0;
    if (w.pointer < kEntries) w.nodes[w.pointer] = NodeFromBytes(w.portEntry.data());
    ++w.pointer;
}

void FilterControlWritten(BoardState& s, std::uint8_t value) {
    ResampleFilters& f = s.filters;
    if (value == 0 && f.control != 0) {
        for (int i = 0; i < 24; ++i) {
            f.horizontal[i] = std::int8_t(s.registers[kFilterPage][0x08 + i]);
            f.vertical[i] = std::int8_t(s.registers[kFilterPage][0x20 + i]);
        }
        ++f.loads;
    }
    f.control = value;
}

bool Has(const BoardState& s, const CorrectionBit& bit) {
    return (s.registers[bit.page][bit.reg] & bit.mask) != 0;
}

void Set(BoardState& s, const CorrectionBit& bit, bool on) {
    std::uint8_t& r = s.registers[bit.page][bit.reg];
    r = on ? std::uint8_t(r | bit.mask) : std::uint8_t(r & ~bit.mask);
}

}  // namespace

bool WarpBlock(BoardState& state, const ReceivedFrame& frame) {
    if (frame.payload.size() != kBlockBytes) return false;
    WarpLattice& w = state.warp;
    // Blocks outside a transfer, or beyond the last row pair, are taken and dropped.
    if (!w.transferOpen || w.blocksReceived >= kBoardLatticeRows / 2) return true;
    const int first = w.blocksReceived * 2 * kBoardLatticeColumns;
    for (int e = 0; e < 2 * kBoardLatticeColumns; ++e)
        w.nodes[first + e] = NodeFromBytes(&frame.payload[4 * e]);
    ++w.blocksReceived;
    return true;
}

bool GammaMode(BoardState& state, const ReceivedFrame& frame) {
    if (frame.payload.size() != 1) return false;
    state.blend.gammaMode = frame.payload[0];
    return true;
}

bool GammaValue(BoardState& state, const ReceivedFrame& frame) {
    if (frame.payload.size() != 2) return false;
    state.blend.gammaHundredths = std::uint16_t(frame.payload[0] | frame.payload[1] << 8);
    return true;
}

bool Correction(BoardState& state, const ReceivedFrame& frame) {
    if (frame.payload.size() != 1) return false;
    const bool on = frame.payload[0] != 0;
    switch (frame.code) {
        case 0x29:
            Set(state, kUniformityBit, on);
            break;
        case 0x2A:
            Set(state, kBlackLevelBit, on);
            break;
        case 0x2B:
            Set(state, kGlobalContrastBit, on);
            break;
        default:
            return false;
    }
    PictureRegistersApplied(state);
    return true;
}

void PictureRegisterWritten(BoardState& state, std::uint8_t page, std::uint8_t reg, std::uint8_t value) {
    if (page == kWarpPage) {
        if (reg == kTransferLow || reg == kTransferHigh)
            TransferControlWritten(state);
        else if (reg == kPointer)
            PointerWritten(state.warp, value);
        else if (reg == kDataPort)
            DataPortWritten(state.warp, value);
    } else if (page == kControlPage && reg == kFilterControl) {
        FilterControlWritten(state, value);
    }
}

void PictureRegistersApplied(BoardState& state) {
    static constexpr std::uint8_t kStart[4] = {0x0A, 0x0E, 0x12, 0x16};
    static constexpr std::uint8_t kWidth[4] = {0x0C, 0x10, 0x14, 0x18};
    static constexpr std::uint8_t kRamp[4] = {0x1F, 0x21, 0x24, 0x26};
    BlendState& b = state.blend;
    b.enableFlags = Word(state, kBlendPage, 0x08);
    for (int z = 0; z < 4; ++z) {
        BlendZoneState& zone = b.zones[z];
        zone.enabled = (b.enableFlags >> z) & 1;
        zone.start = Word(state, kBlendPage, kStart[z]);
        zone.width = Word(state, kBlendPage, kWidth[z]);
        zone.ramp = Word(state, kBlendPage, kRamp[z]);
    }
    b.leftOffMarker = state.registers[kBlendPage][0x1E];
    b.topOffMarker = state.registers[kBlendPage][0x23];

    state.corrections.uniformity = Has(state, kUniformityBit);
    state.corrections.blackLevel = Has(state, kBlackLevelBit);
    state.corrections.globalContrast = Has(state, kGlobalContrastBit);
}

}  // namespace wallsim::decode
