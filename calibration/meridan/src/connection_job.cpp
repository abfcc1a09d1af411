#include "meridan/connection_job.h"

#include "dvOrvelAuto.h"
#include "vantis/messages/calibration_messages.h"
#include "vantis/model/doc_lock.h"

namespace meridan {

namespace {

bool Reachable(std::uint32_t address, vantis::model::EchoProber* prober) {
    return prober ? vantis::model::IsReachable(address, *prober) : vantis::model::IsReachable(address);
}

}  // namespace

ConnectionResult RunConnectionJob(VantisAuto::CDoc& doc, ConnectionReporter& reporter, bool skipQuestion,
                                  const std::atomic<bool>& stop, vantis::model::EchoProber* prober) {
    using VantisAuto::CChannel;
    ConnectionResult result;
    const bool reset = skipQuestion || reporter.AskResetAll();

    reporter.Busy(true);
    {
        VantisAuto::DocLock lock(VantisAuto::DocumentLock());
        const int n = static_cast<int>(doc.m_channels.size());
        reporter.SetProgressRange(ConnectionProgressHigh(n, reset));

        for (auto& channel : doc.m_channels) {
            if (channel->m_hLink != 0) {
                dvOrvelAutoDisconnect(channel->m_hLink);
                channel->m_hLink = 0;
                dvOrvelAutoDisconnect(0);
            }
            channel->m_nState = CChannel::kStateNotConnected;
            reporter.ChannelsChanged();
        }

        int s = 0;
        bool failed = false;
        for (auto& channel : doc.m_channels) {
            if (stop.load()) {
                result.stopped = true;
                break;
            }
            CChannel& c = *channel;
            const int octet = c.LastOctet();
            reporter.Progress(msg::kConnectProjector, octet, s++);
            LinkHandle link = Reachable(c.m_dwIp, prober) ? dvOrvelAutoOpen(c.m_dwIp) : 0;
            if (link == 0) {
                reporter.ReportError(vantis::messages::ConnectFailureReport(c.m_dwIp));
                result.failedOctet = octet;
                failed = true;
                break;
            }
            c.m_hLink = link;
            reporter.Progress(msg::kConfirmVersion, octet, s++);
            dvOrvelAutoClearImage(link);
            reporter.Progress(msg::kConfirmInputPort, octet, s++);
            reporter.Progress(msg::kConfirmResolution, octet, s++);
            if (reset && !stop.load()) {
                reporter.Progress(msg::kConfirmSettings, octet, s++);
                dvOrvelAutoResetSys(link, doc.m_nTiming);
                doc.DownloadChannelIdentityWarp(doc.m_nTiming, c);
                reporter.Progress(msg::kSavingConfiguration, octet, s++);
                dvOrvelAutoSaveSys(link);
            }
            c.m_nState = CChannel::kStateConnected;
            if (!reporter.ProgressSuppressed()) reporter.ChannelsChanged();
        }

        reporter.CloseWaitWindow();
        doc.m_bFromFile = 0;
        doc.m_bConnected = true;
        result.completed = !failed && !result.stopped;
    }
    reporter.JobEnded(result.completed ? 1 : 0);
    return result;
}

}  // namespace meridan
