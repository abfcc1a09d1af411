#include "calibration/connection_job.h"

#include "dvOrvelAuto.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

namespace vantis::calibration {

namespace msg = meridan::msg;
using VantisAuto::CChannel;
using VantisAuto::DocLock;
using VantisAuto::DocumentLock;

ConnectionResult RunConnectionJob(VantisAuto::CDoc& doc, Reporter& reporter, const StopRequest& stop,
                                  const ConnectionOptions& options) {
    ConnectionResult result;
    auto& texts = meridan::Messages();
    result.reset =
        !options.keepSettings && (options.skipQuestion || reporter.Ask(texts.Text(msg::kResetAllSettings)));

    reporter.Busy(true);
    {
        DocLock lock(DocumentLock());
        const int n = static_cast<int>(doc.m_channels.size());
        result.lastStep = (result.reset ? 6 : 4) * n - 1;
        int s = 0;
        reporter.Status(texts.Text(105), 0, result.lastStep);

        for (auto& channel : doc.m_channels) {
            channel->CloseLink();
            channel->m_nState = CChannel::kStateNotConnected;
            reporter.ChannelsChanged();
        }

        auto step = [&](int id, const CChannel& channel) {
            reporter.Status(texts.Format(id, {static_cast<long long>(channel.LastOctet())}), s,
                            result.lastStep);
            ++s;
        };
        for (auto& channelPtr : doc.m_channels) {
            if (stop.Requested()) {
                result.outcome = Outcome::Stopped;
                break;
            }
            CChannel& channel = *channelPtr;
            step(msg::kConnectProjector, channel);
            const bool reachable = options.prober
                                       ? vantis::model::IsReachable(channel.m_dwIp, *options.prober)
                                       : vantis::model::IsReachable(channel.m_dwIp);
            if (reachable) channel.m_hLink = dvOrvelAutoOpen(channel.m_dwIp);
            if (!reachable || channel.m_hLink == 0) {
                channel.m_hLink = 0;
                result.report = vantis::messages::ConnectFailureReport(channel.m_dwIp);
                reporter.Error(vantis::messages::ErrorReporter::ReportText(result.report));
                result.outcome = Outcome::Failed;
                break;
            }
            step(msg::kConfirmVersion, channel);
            dvOrvelAutoClearImage(channel.m_hLink);
            step(msg::kConfirmInputPort, channel);
            step(msg::kConfirmResolution, channel);
            if (result.reset) {
                step(msg::kConfirmSettings, channel);
                dvOrvelAutoResetSys(channel.m_hLink, doc.m_nTiming);
                doc.DownloadChannelIdentityWarp(doc.m_nTiming, channel);
                step(msg::kSavingConfiguration, channel);
                dvOrvelAutoSaveSys(channel.m_hLink);
            }
            channel.m_nState = CChannel::kStateConnected;
            reporter.ChannelsChanged();
        }
        result.steps = s;
        doc.m_bFromFile = 0;
        // Set also after an error: the project has been connected to once.
        doc.m_bConnected = true;
    }
    reporter.Busy(false);
    return result;
}

}  // namespace vantis::calibration
