// The choices and checks of the new-project wizard, without any widget: the
// solution and blend flag, the resolutions and layouts offered for them, the
// stack number, the address list with each entry's place in the layout, the
// network check and the apply step that sets the projectors to the chosen
// resolution, and writing the result into the document.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vantis/model/reachability.h"

namespace VantisAuto {
class CDoc;
}

namespace meridan::dialogs {

enum Solution { kStacking = 0, kBlending = 1, kStackingBlending = 2 };

// Colours of a checked entry (platform colour values, red in the low byte).
inline constexpr std::uint32_t kEntryAnswered = 0x4CB121;
inline constexpr std::uint32_t kEntrySilent = 255;
// First address of a filled list: 192.168.1.100.
inline constexpr std::uint32_t kFirstListAddress = 0xC0A80164;

struct AddressEntry {
    std::uint32_t address = 0;
    int column = 1;  // 1-based place in the layout
    int row = 1;
    std::uint32_t colour = 0;  // 0 unchecked
};

// Timing indexes offered for the blend flag, in list order.
std::vector<int> ResolutionChoices(bool blend);
// Layout indexes offered for the solution, blend flag and timing, in list order.
std::vector<int> LayoutChoices(int solution, bool blend, int timing);

class WizardModel {
  public:
    // Page 1.
    int solution = kStacking;
    int inputPort = 0;  // 0 HDMI, 1 DVI
    bool blend = false;
    // Page 2.
    int timing = 8;
    int layout = 1;
    int stack = 1;
    bool reset = false;
    std::vector<AddressEntry> entries;

    void LoadFrom(const VantisAuto::CDoc& doc);

    void ChooseSolution(int s);
    void TogglePrecut() { blend = !blend; }
    bool PrecutEnabled() const { return solution != kStacking; }

    // Entering page 2: the reset flag is set when the solution or the blend
    // flag differ from the last visit; then the page is refreshed.
    void EnterLayoutPage();
    // Page 2's refresh (timing, layout and stack for the solution; a reset
    // empties the list and fills it for the layout).
    void RefreshLayoutPage();
    bool StackEditable() const { return solution != kBlending; }
    int MinimumStack() const { return solution == kStackingBlending ? 2 : 1; }
    // The spin: at least the minimum, then entries removed from the end or
    // appended until the list holds columns x rows x stack entries.
    void SetStack(int n);
    // A new layout empties the list and fills it for the layout.
    void SetLayout(int index);
    // A new resolution; the layouts offered may change.
    void SetTiming(int t);
    int RequiredEntries() const;
    // columns x rows x stack entries of consecutive addresses from 192.168.1.100.
    void FillForLayout();
    bool HasRepeatedAddress() const;

    // Whether timing or layout changed since the overlap page was last shown.
    bool LayoutChangedSinceOverlap();

    // Writes the choices, the overlap and the channels into the document.
    void WriteTo(VantisAuto::CDoc& doc, const int overlapPercent[2], const int overlapPixels[2]) const;

  private:
    int lastSolution_ = -1;
    int lastBlend_ = -1;
    int overlapTiming_ = -1;
    int overlapLayout_ = -1;
};

enum class CheckResult { Empty, Repeated, Silent, OpenFailed, Passed };

// The network check: repeated addresses, one echo per entry (entries coloured
// green or red), then every link opened and closed again.
CheckResult NetworkCheck(std::vector<AddressEntry>& entries, vantis::model::EchoProber& prober);

// The apply step: `channels` rebuilt from the entries, every link opened
// (the first that fails is returned through failedOctet and ends the step),
// then the projectors cleared, reset to the timing and given its identity
// warp. The links stay open. True when every channel was opened.
bool ApplyTiming(VantisAuto::CDoc& channels, const std::vector<AddressEntry>& entries, int timing,
                 vantis::model::EchoProber& prober, int* failedOctet);

// Closes every link of a wizard channel list: alive ones are cleared first
// when `clear` is set.
void CloseWizardChannels(VantisAuto::CDoc& channels, bool clear);

}  // namespace meridan::dialogs
