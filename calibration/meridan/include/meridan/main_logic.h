// Decisions of the calibration program's main window that do not need a
// window: which channel-list image to show, which buttons a finished job
// enables, the address typed into the channel list, deleting a channel and the
// camera check. The window calls these and only applies their answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vantis/model/document.h"

namespace meridan {

// Image of a channel in the list: 0 connected, 1 connected and selected,
// 2 not connected, 3 not connected and selected, 4 and 5 for state 4.
int ChannelImageIndex(int state, bool selected);

// The buttons a finished job sets, for e = 1 (enable) or 0 (disable).
struct ButtonStates {
    bool camera = false;
    bool reset = false;
    bool resync = false;
    bool recalibration = false;
    bool others = false;
};
ButtonStates ButtonsAfterJob(const VantisAuto::CDoc& doc, int e);

// Re-calibration computes from the last calibration's photos: it needs a
// calibrated project whose every channel still names its centre and grid
// photos (the automatic boundary's photos replace them).
bool CanRecalibrate(const VantisAuto::CDoc& doc);

// Whether the solution blends (Blending or Stacking & Blending).
bool SolutionBlends(const VantisAuto::CDoc& doc);

// The address an edited channel label stands for: the decimal number n typed
// replaces the last octet of the channel's network (192.168.0.n on an
// installation's network). Nothing for text that is not a number 1..254.
std::optional<std::uint32_t> AddressFromLabel(const std::string& text, std::uint32_t currentAddress);

// Whether any channel (the edited one included) already has this address.
bool IsAddressRepeat(const VantisAuto::CDoc& doc, std::uint32_t address);

// Delete of the list: only with more than two channels, the channel at index
// is removed (under the document lock). Returns the new channel count, or -1
// when nothing was removed.
int DeleteChannelAt(VantisAuto::CDoc& doc, int index);

// The first channel whose projector no longer answers on its link (under the
// document lock); nullptr when every one does.
const VantisAuto::CChannel* FirstDeadChannel(VantisAuto::CDoc& doc);

// The camera check when cameras come and go.
struct CameraCheck {
    bool stopView = false;   // stop the camera view, disable Boundary and Calibration,
                             // clear the boundary-applied value and show message 119
    bool clearName = false;  // forget the stored camera name
};
CameraCheck DecideCameraCheck(const std::wstring& storedName, const std::vector<std::wstring>& attached,
                              bool viewOpen);

}  // namespace meridan
