#include "service/host/PlantMonitor.h"

#include <chrono>
#include <limits>

#include "service/base/Numeric.h"
#include "service/base/ProgramModule.h"
#include "service/base/TextCase.h"
#include "service/config/IniReadWriter.h"
#include "service/host/frmMain.h"

namespace tarnel {

namespace {

double SystemSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<std::string> CommaList(const std::string& strText) {
    std::vector<std::string> items;
    std::size_t nStart = 0;
    while (nStart <= strText.size()) {
        const std::size_t nEnd = std::min(strText.find(',', nStart), strText.size());
        std::string item = strText.substr(nStart, nEnd - nStart);
        const auto first = item.find_first_not_of(" \t");
        if (first != std::string::npos) {
            items.push_back(item.substr(first, item.find_last_not_of(" \t") - first + 1));
        }
        nStart = nEnd + 1;
    }
    return items;
}

constexpr std::int32_t kNoStatus = std::numeric_limits<std::int32_t>::min();

}  // namespace

PlantMonitor::PlantMonitor(const frmMain& form, IServiceNotify& notify, const TimerFactory& timers,
                           std::function<double()> now)
    : m_Form(form), m_Notify(notify), m_Now(now ? std::move(now) : SystemSeconds) {
    m_Timer = timers(std::chrono::milliseconds(1000), [this] { Tick(); });
}

void PlantMonitor::Start(const std::string& strIniFile) {
    StartListener(strIniFile);
    m_Timer->Enabled(true);
    // The pages answer at once; the service manager hears from the first
    // tick on, after the readiness the start sends.
    m_Page.Beat();
    m_Page.Publish(MakeSnapshot(m_Now()));
}

void PlantMonitor::StartListener(const std::string& strIniFile) {
    const auto profile = [&](const char* szKey, const char* szDefault) {
        return IniReadWriter().GetProfile(frmMain::kSection, szKey, szDefault, strIniFile);
    };
    const std::string strPort = profile("MonitorPort", "8471");
    if (SameText(strPort, "off")) {
        LogMessage("Monitoring off (MonitorPort=off)");
        return;
    }
    const auto port = ParseNumber(strPort);
    if (!port) {
        LogMessage("Monitoring not started: MonitorPort " + strPort + " is not a number");
        return;
    }
    m_Page.Start(profile("MonitorAddress", "127.0.0.1"), RoundToInt32(*port),
                 CommaList(profile("MonitorHosts", "")));
}

// The streams are loaded once, some seconds after the start.
bool PlantMonitor::StreamsKnown() {
    if (m_Streams) return true;
    if (m_Form.StreamCount() < 1) return false;
    m_Streams = std::make_shared<const MonitorStreams>(m_Form.Streams(), kTrendPoints);
    m_LastCalculation.assign(m_Streams->Count(), 0.0);
    m_LastStatus.assign(m_Streams->Count(), kNoStatus);
    return true;
}

void PlantMonitor::Calculated(std::int32_t nStreams, bool bDataChange) {
    const double dNow = m_Now();
    if (bDataChange) {
        ++m_nDataChanges;
        m_dLastDataChange = dNow;
    }
    if (!StreamsKnown()) return;
    std::size_t i = 0;
    for (const auto& stream : m_Form.Streams()) {
        if (i >= m_LastStatus.size() || static_cast<std::int32_t>(i) >= nStreams) break;
        m_LastCalculation[i] = dNow;
        if (stream->Status() != m_LastStatus[i]) {
            m_LastStatus[i] = stream->Status();
            m_Streams->Trend(i).Add(PointOf(*stream, dNow));
        }
        ++i;
    }
}

void PlantMonitor::ServerShutdown(const std::string& Reason) {
    m_bShutdownRequested = true;
    m_strShutdownReason = Reason;
}

void PlantMonitor::Tick() {
    const double dNow = m_Now();
    m_Page.Beat();
    StreamsKnown();
    auto snapshot = MakeSnapshot(dNow);
    SampleTrends(*snapshot);
    std::string strState = "STATUS=";
    const std::string& strService = snapshot->ServiceStatus;
    if (strService == "Paused" || strService == "Stopped") strState += strService + ": ";
    strState += snapshot->Summary(dNow);
    if (m_Notify.WatchdogEnabled()) strState.insert(0, "WATCHDOG=1\n");
    m_Page.Publish(std::move(snapshot));
    m_Notify.Notify(strState);
}

std::shared_ptr<const MonitorSnapshot> PlantMonitor::MakeSnapshot(double dNow) const {
    auto snapshot = std::make_shared<MonitorSnapshot>();
    const auto& controls = m_Form.Controls();
    snapshot->Server = controls.txtServer.Text;
    snapshot->Node = controls.txtNode.Text;
    snapshot->ServiceStatus = controls.txtStatus.Text;
    snapshot->ServerState = OPC_STATUS_FAILED;
    if (const OpcClient* client = m_Form.Client()) {
        snapshot->ServerState = client->ServerState();
        snapshot->WritesOk = client->WritesOk();
        snapshot->WritesFailed = client->WritesFailed();
    }
    snapshot->ShutdownRequested = m_bShutdownRequested;
    snapshot->ShutdownReason = m_strShutdownReason;
    snapshot->LastDataChange = m_dLastDataChange;
    snapshot->DataChanges = m_nDataChanges;
    snapshot->Taken = dNow;
    snapshot->Streams = m_Streams;
    if (!m_Streams) return snapshot;
    snapshot->Values.reserve(m_Streams->Count());
    for (const auto& stream : m_Form.Streams()) {
        if (snapshot->Values.size() == m_Streams->Count()) break;
        snapshot->Values.push_back({stream->P(), stream->T(), stream->Pcrit(), stream->Tcrit(),
                                    stream->AcentricFactor(), stream->PressureBarA(),
                                    stream->TemperatureK(), stream->Z(), stream->Status(),
                                    m_LastCalculation[snapshot->Values.size()]});
    }
    return snapshot;
}

// A point every kTrendSeconds for each stream that has been calculated.
void PlantMonitor::SampleTrends(const MonitorSnapshot& snapshot) {
    for (std::size_t i = 0; i < snapshot.Values.size(); ++i) {
        const auto& v = snapshot.Values[i];
        StreamTrend& trend = m_Streams->Trend(i);
        if (v.LastCalculation <= 0.0 || snapshot.Taken - trend.LastTime() < kTrendSeconds) continue;
        trend.Add({snapshot.Taken, v.Z, v.P, v.T, v.Status});
    }
}

TrendPoint PlantMonitor::PointOf(const TarnelTag& stream, double dNow) const {
    return {dNow, stream.Z(), stream.P(), stream.T(), stream.Status()};
}

}  // namespace tarnel
