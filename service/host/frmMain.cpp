#include "service/host/frmMain.h"

#include <unistd.h>

#include <algorithm>

#include "service/base/Numeric.h"
#include "service/base/ProgramModule.h"
#include "service/base/StopRequest.h"
#include "service/base/TextCase.h"
#include "service/config/CsvReader.h"
#include "service/config/IniReadWriter.h"
#include "service/host/HostError.h"
#include "service/host/StreamDefinition.h"

namespace tarnel {

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kStreamFields = 11;

std::string ComputerNameFromSystem() {
    char name[64] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "";
    std::string strName(name, sizeof name);
    strName.erase(std::remove(strName.begin(), strName.end(), '\0'), strName.end());
    const auto first = strName.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return strName.substr(first, strName.find_last_not_of(' ') - first + 1);
}

}  // namespace

frmMain::frmMain(FormPlatform platform) : m_Platform(std::move(platform)) {
    auto& timers = m_Platform.Timers;
    tmrConnect = timers(1000ms, [this] { tmrConnect_Timer(); });
    tmrWatchdog = timers(60000ms, [this] { tmrWatchdog_Timer(); });
    tmrMsg = timers(4000ms, [this] { tmrMsg_Timer(); });
    tmrStop = timers(2000ms, [this] { tmrStop_Timer(); });
    g_Services.writeTarnel = [this](const std::string& strTag, float rVal) {
        WriteTarnel(strTag, rVal);
    };
    g_Services.logMessage = LogMessage;
    m_Platform.NTService1.Events(this);
}

frmMain::~frmMain() {
    m_Platform.NTService1.Events(nullptr);
    m_Platform.Window.Hide();
}

// ---- Start-up ---------------------------------------------------------------

void frmMain::Form_Load(const std::string& strCommand) {
    if (!ActOnCommandLine(strCommand)) return;
    m_Platform.NTService1.ControlsAccepted(IServiceControl::kAcceptPauseContinue);
    m_Platform.NTService1.StartService();
    m_Controls.txtStatus.Text = "Running";
    m_Controls.txtStatus.ForeColor = kBlue;
    m_nUpdateSeconds = 1;
    m_nDisplayCount = 0;
    m_strComputerName = ComputerNameFromSystem();
    ChooseIniFile();
    ReadVisible();
    ShowWindow();
    if (m_pMonitor) m_pMonitor->Start(m_strIniFile);
    ReadStartupDelay();
    m_nConnectTicks = 0;
    tmrConnect->Enabled(true);
    Publish();
}

// Returns false when the command line ends the program.
bool frmMain::ActOnCommandLine(const std::string& strCommand) {
    auto& service = m_Platform.NTService1;
    if (strCommand == "-install") {
        service.Interactive(true);
        const bool bOk = service.Install();
        m_Platform.Messages << service.DisplayName()
                            << (bOk ? " installed successfully" : " failed to install") << "\n";
        End(bOk ? 0 : 1);
        return false;
    }
    if (strCommand == "-uninstall") {
        const bool bOk = service.Uninstall();
        m_Platform.Messages << service.DisplayName()
                            << (bOk ? " uninstalled successfully" : " failed to uninstall") << "\n";
        End(bOk ? 0 : 1);
        return false;
    }
    if (strCommand == "-debug") {
        service.Debug(true);
    } else if (!strCommand.empty()) {
        m_Platform.Messages << "Invalid command option\n";
        End(1);
        return false;
    }
    return true;
}

std::string frmMain::DefaultIniFile() const { return ConfigurationFolder() + "/TarnelSvc.ini"; }

void frmMain::ChooseIniFile() {
    m_strIniFile = ConfigurationFolder() + "/" + m_strComputerName + ".ini";
    m_bVisible = false;
    if (FileExists(m_strIniFile)) return;
    m_strIniFile = DefaultIniFile();
    if (!FileExists(m_strIniFile)) m_bVisible = true;
}

std::string frmMain::Profile(const std::string& strKey, const std::string& strDefault) const {
    return IniReadWriter().GetProfile(kSection, strKey, strDefault, m_strIniFile);
}

void frmMain::ReadVisible() {
    if (m_bVisible) return;
    const std::string strVisible = LowerCase(Profile("Visible", ""));
    if (!strVisible.empty()) {
        m_bVisible = strVisible == "true" || strVisible == "yes" || strVisible == "1";
    }
}

// The window is the status page, at the address and port of the INI file.
void frmMain::ShowWindow() {
    if (!m_bVisible) {
        m_Platform.Window.Hide();
        return;
    }
    const std::string strAddress = Profile("StatusAddress", "127.0.0.1");
    const std::string strPort = Profile("StatusPort", "8470");
    const auto port = ParseNumber(strPort);
    if (!port) {
        LogMessage("Status page not started: StatusPort " + strPort + " is not a number");
        return;
    }
    m_Platform.Window.Show(strAddress, RoundToInt32(*port),
                           [this](const WindowAction& action) { OnWindowAction(action); });
}

void frmMain::OnWindowAction(const WindowAction& action) {
    if (action.What == WindowAction::Kind::Select) {
        listCalcs_Click(action.Position);
    } else if (action.What == WindowAction::Kind::CanClose) {
        chkCanClose_Click(action.Checked);
    } else {
        bool bCancel = false;
        Form_QueryUnload(bCancel, vbFormControlMenu);
        if (bCancel) return;
        // Nobody may be watching when the page ends the service: say who did.
        LogMessage("Window closed from the status page (" + action.Client + "); service stopping");
        Form_Unload();
    }
}

void frmMain::ReadStartupDelay() {
    const std::string strDelay = LowerCase(Profile("StartupDelaySeconds", "2"));
    if (!strDelay.empty()) {
        const auto delay = ParseNumber(strDelay);
        m_nStartupDelay = delay ? RoundToInt32(*delay) : 0;
    }
    if (m_nStartupDelay < 1) m_nStartupDelay = 1;
}

// ---- Service events ----------------------------------------------------------

// Runs an event's work; an error replaces the event's own log line with the
// prefix, the error number and its description.
void frmMain::Guarded(const std::string& strPrefix, const std::function<void()>& work) {
    try {
        work();
    } catch (const HostError& e) {
        LogMessage(strPrefix + "[" + std::to_string(e.Number()) + "] " + e.what());
    } catch (const std::exception& e) {
        LogMessage(strPrefix + "[5] " + e.what());
    }
    Publish();
}

void frmMain::NTService1_Start(bool& Success) {
    Guarded("Start: ", [&] {
        m_Controls.txtStatus.Text = "Running";
        Success = true;
        LogMessage("Started");
    });
}

void frmMain::NTService1_Stop() {
    Guarded("Stopped: ", [&] {
        m_Controls.txtStatus.Text = "Stopped";
        if (!m_OpcClient) throw HostError::NoObject();
        if (const HRESULT hr = m_OpcClient->DisableGroup(); FAILED(hr)) {
            throw HostError(hr, "Automation error: the OPC group cannot be disabled");
        }
        LogMessage("Stopped");
    });
    // Also without a group, the program ends two seconds later; a loading that
    // has not begun by now never begins, so nothing connects after the stop.
    tmrConnect->Enabled(false);
    tmrStop->Enabled(true);
}

void frmMain::NTService1_Pause(bool& Success) {
    Guarded("Pause: ", [&] {
        m_Controls.txtStatus.Text = "Paused";
        Success = true;
        LogMessage("Service paused");
    });
}

void frmMain::NTService1_Continue(bool& Success) {
    Guarded("", [&] {
        m_Controls.txtStatus.Text = "Running";
        Success = true;
        LogMessage("Service continued");
    });
}

void frmMain::NTService1_Control(std::int32_t lEvent) {
    Guarded("Control: ", [&] {
        m_Controls.txtStatus.Text = "Received Control signal " + std::to_string(lEvent);
        LogMessage(m_Controls.txtStatus.Text);
    });
}

// ---- Closing -------------------------------------------------------------------

void frmMain::Form_QueryUnload(bool& Cancel, int UnloadMode) {
    if (UnloadMode != vbFormControlMenu || m_Controls.chkCanClose) return;
    Cancel = true;
    m_Controls.txtStatus.Text = " Shutdown the service using ControlPanel/Services if required";
    m_Controls.txtStatus.ForeColor = kRed;
    m_Controls.txtStatus.BackColor = kWhite;
    tmrMsg->Enabled(true);
    Publish();
}

void frmMain::Form_Unload() { Unload(0); }

void frmMain::Unload(int nExitCode) {
    Cleanup();
    End(nExitCode);
}

void frmMain::End(int nExitCode) {
    if (m_bEnded) return;
    m_bEnded = true;
    m_bVisible = false;
    m_Platform.Window.Hide();
    m_Platform.EndProgram(nExitCode);
}

void frmMain::Cleanup() {
    // Nothing was created when the client was not: nothing to release.
    if (!m_OpcClient) return;
    m_OpcClient->Disconnect();
    m_OpcClient.reset();
    g_Services.gas = nullptr;
    g_Services.badValueHelper = nullptr;
    g_Gas.reset();
    g_BadValueHelper.reset();
}

// ---- Timers ----------------------------------------------------------------------

void frmMain::tmrConnect_Timer() {
    ++m_nConnectTicks;
    if (m_nConnectTicks < m_nStartupDelay) return;
    tmrConnect->Enabled(false);
    LoadConfiguration();
    Publish();
}

void frmMain::tmrWatchdog_Timer() {
    if (m_nDisplayCount == 0) {
        std::int32_t nCalculated = 0;
        for (const auto& stream : g_Streams) {
            if (StopRequest::Raised()) break;
            stream->CalculateZ();
            ++nCalculated;
        }
        if (m_pMonitor) m_pMonitor->Calculated(nCalculated, false);
        if (nCalculated < g_Streams.Count()) return;
        if (m_bVisible) ShowStreamValues();
    }
    m_nDisplayCount = 0;
    Publish();
}

void frmMain::tmrMsg_Timer() {
    m_Controls.txtStatus.Text = "Running";
    m_Controls.txtStatus.ForeColor = kBlue;
    m_Controls.txtStatus.BackColor = kWindowBackground;
    tmrMsg->Enabled(false);
    Publish();
}

void frmMain::tmrStop_Timer() {
    Cleanup();
    End(0);
}

// ---- Configuration ---------------------------------------------------------------

void frmMain::LoadConfiguration() {
    if (!FileExists(m_strIniFile)) {
        m_strIniFile = DefaultIniFile();
        if (!FileExists(m_strIniFile)) {
            LogMessage("Service ends: no configuration file (" + m_strComputerName +
                       ".ini or TarnelSvc.ini in " + ConfigurationFolder() + ")");
            Unload(1);
            return;
        }
    }
    const std::string strTagDef = Profile("TagDef", "");
    try {
        m_OpcClient = m_Platform.CreateOpcClient(m_strIniFile);
    } catch (const std::exception& e) {
        LogMessage(std::string("Service ends: cannot create OpcClient (") + e.what() + ")");
        End(1);
        return;
    }
    m_OpcClient->DataChange = [this] { m_OpcClient_DataChange(); };
    m_OpcClient->ServerShutdown = [this](const std::string& Reason) {
        m_OpcClient_ServerShutdown(Reason);
    };

    const std::string strUpdate = LowerCase(Profile("UpdateIntervalSeconds", "1"));
    if (const auto seconds = ParseNumber(strUpdate)) {
        m_nUpdateSeconds = std::max(RoundToInt32(*seconds), 1);
    }
    m_OpcClient->UpdateRateSec(m_nUpdateSeconds);
    tmrWatchdog->Enabled(true);
    m_Items = ItemList();

    m_strNode = Profile("Node", "");
    m_Controls.txtNode.Text = m_strNode;
    m_strServer = Profile("OpcServer", "");
    m_Controls.txtServer.Text = m_strServer;
    if (!m_strServer.empty()) {
        m_OpcClient->Node(m_strNode);
        m_OpcClient->Server(m_strServer);
        m_OpcClient->Connect();
    }

    if (!CreateSharedObjects()) return;
    // A stop broke the loading off: its event, waiting on the loop, ends the program.
    if (!LoadStreams(strTagDef) && StopRequest::Raised()) return;
    if (m_nStreams < 1) {
        EndForConfiguration(m_strLoadFailure);
        return;
    }
    listCalcs_Click(0);
    ShowStreamDefinition(0);
    SubscribeItems();
}

bool frmMain::CreateSharedObjects() {
    std::string strError;
    g_Gas = m_Platform.CreateGas(strError);
    if (!g_Gas) {
        EndForConfiguration("cannot create Gas (" + strError + ")");
        return false;
    }
    g_Streams = StreamCollection();
    try {
        g_BadValueHelper = std::make_unique<BadValueHelper>();
    } catch (const std::exception& e) {
        EndForConfiguration(std::string("cannot create BadValueHelper (") + e.what() + ")");
        return false;
    }
    g_Services.gas = g_Gas.get();
    g_Services.badValueHelper = g_BadValueHelper.get();
    return true;
}

// The configuration gives the service nothing to do: say why, and end with a
// failure status so that the service manager sees it.
void frmMain::EndForConfiguration(const std::string& strReason) {
    LogMessage("Service ends: " + strReason);
    Cleanup();
    End(1);
}

bool frmMain::LoadStreams(const std::string& strFile) {
    const std::string strPath = ConfigurationFolder() + "/" + strFile;
    m_strLoadFailure = "no stream accepted from the stream-definition file " + strPath;
    if (!FileExists(strPath)) {
        m_strLoadFailure = "the stream-definition file " + strPath + " cannot be read";
        return false;
    }
    CsvReader csv;
    csv.FileName(strPath);
    csv.MaxCols(kStreamFields);
    csv.OpenCSV();
    csv.ReadLine();
    std::int32_t nAccepted = 0;
    try {
        while (csv.ReadLine()) {
            if (StopRequest::Raised()) {
                LogMessage("Loading of " + strPath + " broken off at line " +
                           std::to_string(csv.Row()) + " by a stop request");
                return false;
            }
            ReadStreamLine([&csv](std::int32_t i) { return csv.Field(i); }, nAccepted);
        }
    } catch (const HostError& e) {
        m_strLoadFailure = e.what() + (" in " + strPath);
        return false;
    }
    m_nStreams = nAccepted;
    return true;
}

void frmMain::ReadStreamLine(const std::function<std::string(std::int32_t)>& field,
                             std::int32_t& nAccepted) {
    const StreamDefinition def = StreamDefinition::Read(field, nAccepted);
    for (const auto& strMessage : def.Messages) LogMessage(strMessage);
    if (!def.Valid) return;

    auto stream = def.MakeStream(
        g_Services, [this](const std::string& strName) { return RegisterItem(strName); });
    // The list entry goes with the stream: a repeated name adds neither.
    if (!g_Streams.Add(std::move(stream), def.Name)) {
        throw HostError(457, "stream name " + def.Name + " repeated");
    }
    m_Controls.listCalcs.push_back(def.Name);
    ++nAccepted;
}

std::int32_t frmMain::RegisterItem(const std::string& strName) {
    return m_Items.RegisterItem(strName);
}

void frmMain::SubscribeItems() {
    if (m_Items.Count() < 1 || !m_OpcClient) return;
    m_OpcClient->AddOPCItems(m_Items.Items());
}

// ---- Data changes and write-back ---------------------------------------------

void frmMain::m_OpcClient_DataChange() {
    const std::int32_t nCalculated = CalculateChanged();
    if (m_pMonitor) m_pMonitor->Calculated(nCalculated, true);
    if (nCalculated < g_Streams.Count()) return;
    if (m_bVisible) ShowStreamValues();
    Publish();
}

// The streams in file order; returns how many were calculated.
std::int32_t frmMain::CalculateChanged() {
    std::int32_t nCalculated = 0;
    for (const auto& stream : g_Streams) {
        // A stop lets the rest go: the program ends two seconds later anyway.
        // A value that is no number ends this change's handling here; the
        // next change starts again with the first stream.
        if (StopRequest::Raised() || !UpdateInputs(*stream)) break;
        stream->CalculateZ();
        ++nCalculated;
    }
    return nCalculated;
}

bool frmMain::UpdateInputs(TarnelTag& stream) {
    const std::int32_t indexes[] = {stream.IndexP(), stream.IndexT(), stream.IndexPc(),
                                    stream.IndexTc(), stream.IndexAcentric()};
    for (const std::int32_t nIndex : indexes) {
        if (nIndex < 0) continue;
        const Variant value = m_OpcClient->ItemValue(nIndex);
        float rVal = 0;
        if (FAILED(value.ToSingle(rVal))) {
            if (m_TextItems.insert(nIndex).second) {
                LogMessage(stream.TagName() + ": value " + value.ToText() + " of item " +
                           m_Items.Name(nIndex) +
                           " cannot be taken as a float; streams from here on wait for the next "
                           "data change");
            }
            return false;
        }
        m_TextItems.erase(nIndex);
        stream.UpdateFromClient(nIndex, rVal, m_OpcClient->ItemQuality(nIndex));
    }
    return true;
}

void frmMain::WriteTarnel(const std::string& strTag, float rVal) {
    if (!m_OpcClient) throw HostError::NoObject();
    m_OpcClient->ItemByTag(strTag, Variant(rVal));
}

void frmMain::m_OpcClient_ServerShutdown(const std::string& Reason) {
    LogMessage("Server " + m_strServer + " requested disconnection, " + Reason);
    if (m_pMonitor) m_pMonitor->ServerShutdown(Reason);
}

// ---- Status display ----------------------------------------------------------------

bool frmMain::IsListPosition(std::int32_t nPosition) const {
    return nPosition >= 0 && nPosition < static_cast<std::int32_t>(m_Controls.listCalcs.size());
}

void frmMain::listCalcs_Click(std::int32_t nPosition) {
    if (!IsListPosition(nPosition)) return;
    ShowStreamDefinition(nPosition);
    ShowStreamValues();
    Publish();
}

void frmMain::chkCanClose_Click(bool bChecked) {
    m_Controls.chkCanClose = bChecked;
    Publish();
}

void frmMain::ShowStreamDefinition(std::int32_t nPosition) {
    if (!IsListPosition(nPosition)) return;
    m_strSelected = m_Controls.listCalcs[static_cast<std::size_t>(nPosition)];
    const TarnelTag* stream = g_Streams.Item(m_strSelected);
    if (stream == nullptr) return;
    m_Controls.ShowDefinition(*stream);
    m_Controls.listCalcsIndex = nPosition;
}

void frmMain::ShowStreamValues() {
    if (m_strSelected.empty()) return;
    const TarnelTag* stream = g_Streams.Item(m_strSelected);
    if (stream == nullptr) return;
    try {
        m_Controls.ShowValues(*stream);
    } catch (const std::exception&) {
        return;  // the fields filled so far stay
    }
    ++m_nDisplayCount;
}

void frmMain::Publish() {
    if (m_bVisible) m_Platform.Window.Publish(m_Controls.Snapshot());
}

}  // namespace tarnel
