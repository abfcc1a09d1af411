// The project document: the in-memory record of one installation.
//
// The channel list and everything sent to the projectors are guarded by the
// process-wide DocumentLock(). The flags are SharedFlag values that any thread
// may read and write without it; the settings (timing, layout, overlap, ...)
// are written by the window thread while no job runs.
//
// The record itself, its file form and the channel list live in
// vantis_model_data; the operations that drive projectors (device_ops.cpp)
// in vantis_model_ops.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oculet/CDShowCameraData.h"
#include "vantis/archive.h"
#include "vantis/model/boundary.h"
#include "vantis/model/channel.h"
#include "vantis/model/shared_flag.h"
#include "vantis/model/timing.h"
#include "vantis_link_tables.h"
#include "vantis_link_types.h"

namespace VantisAuto {

class CDoc : public vantis::Serializable {
  public:
    CDoc() = default;
    ~CDoc() override;
    CDoc(const CDoc&) = delete;
    CDoc& operator=(const CDoc&) = delete;

    // The document record, fields in file order. On loading the document must
    // have no channels; use vantis::model::LoadProject, which reads into a
    // fresh document and takes it over only when the whole file was read.
    void Serialize(vantis::Archive& ar) override;

    // Set and clear the run flag of the connection job, under the lock.
    virtual void Start();
    virtual void Stop();

    // Appends a new channel with default fields and the given address.
    CChannel* AddChannel(std::uint32_t address);
    // Deletes every channel with this address; the others keep their order.
    void RemoveChannel(std::uint32_t address);
    // Deletes every channel (closing their links) and empties the list.
    void DeleteAllChannels();
    // Closes the link of every channel that has one.
    void DisconnectAll();
    // Sets every channel's threshold to 0.0, under the lock.
    void ClearThresholds();

    std::wstring GetCameraName() const;
    void SetCameraName(const std::wstring& name);
    void ClearCameraName();

    // Panel size of the document's timing; also rewrites m_fRefresh.
    void GetTimingSize(int* width, int* height);
    int PatternType() const { return vantis::model::PatternTypeOfTiming(m_nTiming); }
    vantis::model::LayoutInfo Layout() const { return vantis::model::LayoutOf(m_nLayout); }

    // --- Operations that drive every projector (device_ops.cpp) -------------
    // Each document-wide operation is one pass over the channels in list
    // order under the document lock; link results are not examined, so a
    // dead projector does not stop the pass for the others.
    void ClearAll();
    // Every projector with an open link shows its picture again: unblanked, solid
    // colour and test patterns cleared (after a stop, whatever step it came in).
    void RestorePictures();
    void ResetAll();
    void ResetBlendGamma();
    void DisableBlackLevel();
    // Three passes, each under its own lock: black level, uniformity, global
    // contrast into the channels' flags.
    void ReadCorrections();
    // SaveAll, DownloadWarps and DownloadBlends still serve every channel when one
    // fails; they return true only when every channel's operation succeeded. Callers
    // that must know which projector failed use the single-channel operations.
    bool SaveAll();
    bool DownloadWarps();
    void DownloadIdentityWarps();
    // Stores the gamma in the document, then downloads every channel's blend zones.
    bool DownloadBlends(double gamma);

    // Preview drawing; these take no lock themselves.
    void ShowWhiteAll();
    void ClearWhiteAll();
    void DrawFramesAll();
    void DrawOverlapPreview();
    // One channel's panel frame, or frame and overlap lines; the first
    // failing line's link result (0 when every line was drawn).
    LinkResult DrawChannelFrame(CChannel& channel);
    LinkResult DrawChannelOverlapPreview(CChannel& channel);

    // Single-channel downloads and save; the caller holds the lock. Each returns the
    // link's result of the download (0 success).
    LinkResult DownloadChannelWarp(CChannel& channel);
    LinkResult DownloadChannelIdentityWarp(std::int32_t timing, CChannel& channel);
    LinkResult DownloadChannelBlend(CChannel& channel, double gamma);
    LinkResult SaveChannel(CChannel& channel);

    // The blend zones of a channel from the document's overlap, layout and, once
    // calibrated, the warps (vantis/model/blend_zones.h, default.ini's rule).
    BlendEdges GetBlendEdges(const CChannel& channel) const;

    // Moves everything that a project file stores, and the channels, from
    // other into this document (after closing this document's links). The
    // fields that are not stored keep this document's values.
    void TakeProjectFrom(CDoc& other);

    std::vector<std::unique_ptr<CChannel>> m_channels;
    vantis::model::SharedFlag<std::uint8_t> m_bRunning = 0;
    vantis::model::SharedFlag<bool> m_bAutoExecution = false;
    vantis::model::SharedFlag<bool> m_bConnected = false;
    vantis::model::SharedFlag<bool> m_bCameraConfigured = false;
    vantis::model::SharedFlag<bool> m_bBoundaryDone = false;
    vantis::model::SharedFlag<bool> m_bWarped = false;
    vantis::model::SharedFlag<bool> m_bBlended = false;
    vantis::model::SharedFlag<bool> m_bCalibrated = false;
    CBoundaryDoc m_boundary;
    CGammaDoc m_gamma;
    std::int32_t m_nTiming = 8;
    float m_fRefresh = 60.0f;
    std::int32_t m_nInputPort = 0;  // 0 HDMI, 1 DVI
    std::int32_t m_nWarpMode = 2;
    CDShowCameraData m_camera;
    vantis::model::SharedFlag<std::int32_t> m_bSyncReady = 0;
    vantis::model::SharedFlag<std::int32_t> m_bFromFile = 0;
    vantis::model::SharedFlag<std::int32_t> m_bBoundaryApplied = 0;
    std::int32_t m_nSolution = 0;  // 0 Stacking, 1 Blending, 2 Stacking & Blending
    std::int32_t m_nStackCount = 2;
    std::int32_t m_nLayout = 0;
    vantis::model::SharedFlag<std::int32_t> m_bBoundaryEdited = 0;
    std::int32_t m_overlapPercent[2] = {0, 0};  // horizontal, vertical
    std::int32_t m_overlapPixels[2] = {0, 0};   // horizontal, vertical
    vantis::model::SharedFlag<std::int32_t> m_bBlendSolution = 0;
    std::int32_t m_nChannelCount = 0;  // count as last written or read
};

}  // namespace VantisAuto
