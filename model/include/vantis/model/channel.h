// One projector of the project: its warp (CWarp) and its channel settings.
#pragma once

#include <cstdint>
#include <string>

#include "vantis/archive.h"
#include "vantis/model/float_table.h"

namespace VantisAuto {

// The warp held for one projector. The tables are not stored in project files:
// after loading, a channel starts with zeroed tables until the identity or a
// computed warp is put in.
class CWarp : public vantis::Serializable {
  public:
    CWarp() = default;
    ~CWarp() override = default;
    CWarp(const CWarp&) = delete;
    CWarp& operator=(const CWarp&) = delete;

    // Stored: the threshold only.
    void Serialize(vantis::Archive& ar) override;

    vantis::model::TablePairData m_forward;  // warp grid, [grid column][grid row], panel pixels
    vantis::model::TablePairData m_source;   // board-lattice source map derived from m_forward
    double m_threshold = 0.0;                // binarisation threshold of the last calibration
};

class CChannel : public CWarp {
  public:
    static constexpr std::uint32_t kDefaultAddress = 0xC0A8000B;  // 192.168.0.11
    static constexpr std::int32_t kStateConnected = 0;
    static constexpr std::int32_t kStateNotConnected = 2;

    explicit CChannel(std::uint32_t address = kDefaultAddress) : m_dwIp(address) {}
    ~CChannel() override;

    // Stored after the warp part: address, slot, column and row, the four photo paths.
    void Serialize(vantis::Archive& ar) override;

    // Last octet of the address.
    int LastOctet() const { return static_cast<int>(m_dwIp & 0xFF); }
    // The channel list's label: the last octet as three digits ("011").
    std::string Label() const;
    // Closes the link if one is open and sets m_hLink to 0.
    void CloseLink();

    std::int32_t m_nState = kStateNotConnected;
    std::int32_t m_bSelected = 0;
    std::string m_strBlackPhoto;   // photo 0, every projector blanked (UTF-8 path)
    std::string m_strWhitePhoto;   // this projector in full white
    std::string m_strCenterPhoto;  // this projector showing the centre blocks
    std::string m_strGridPhoto;    // this projector showing the full block grid
    std::uint32_t m_dwIp;          // IPv4 address, first octet in the top byte
    std::int32_t m_hLink = 0;      // open link (LinkHandle), 0 when not connected
    std::int32_t m_bLinkVerified = 0;
    std::int32_t m_nSlot = 0;    // position number given by the wizard
    std::int32_t m_nColumn = 1;  // 1-based layout column
    std::int32_t m_nRow = 1;     // 1-based layout row
    std::uint8_t m_bBlackLevel = 0;
    std::uint8_t m_bUniformity = 0;
    std::uint8_t m_bGlobalContrast = 0;
};

// Minimum stored size of one channel record (all four paths empty in the
// narrow form), used to check a channel count against the bytes that remain.
inline constexpr std::size_t kMinChannelRecordBytes = 8 + 4 + 4 + 8 + 4 * 1;

}  // namespace VantisAuto
