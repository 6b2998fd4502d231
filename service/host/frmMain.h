#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>

#include "eos/IGas.h"
#include "service/base/BadValueHelper.h"
#include "service/host/IServiceControl.h"
#include "service/host/IServiceMonitor.h"
#include "service/host/IStatusWindow.h"
#include "service/host/ITimer.h"
#include "service/host/ItemList.h"
#include "service/host/StreamCollection.h"
#include "service/host/WindowControls.h"
#include "service/opc/OpcClient.h"
#include "service/streams/StreamServices.h"

namespace tarnel {

// What the window needs of its surroundings.
struct FormPlatform {
    IServiceControl& NTService1;
    IStatusWindow& Window;
    TimerFactory Timers;
    // Where the command line's messages go (standard output).
    std::ostream& Messages;
    // Ends the program with an exit status once the current handler returns.
    std::function<void(int nExitCode)> EndProgram;
    std::function<std::shared_ptr<IGas>(std::string& strError)> CreateGas;
    // Makes the OPC client (its servers deliver their events on the event loop
    // and read their own options from the service's INI file).
    std::function<std::unique_ptr<OpcClient>(const std::string& strIniFile)> CreateOpcClient;
};

// The service's one window object: start-up and the command line, the service
// events, the configuration and the stream table, data changes and write-back,
// the four timers and what the status window shows. Every handler runs on the
// event loop's thread and catches its own failures.
class frmMain : public IServiceEvents {
public:
    // UnloadMode of a close from the window's own close box.
    static constexpr int vbFormControlMenu = 0;
    static constexpr const char* kSection = "Tarnel Service";

    explicit frmMain(FormPlatform platform);
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void Form_Load(const std::string& strCommand);
    void Form_QueryUnload(bool& Cancel, int UnloadMode);
    void Form_Unload();

    void tmrConnect_Timer();
    void tmrWatchdog_Timer();
    void tmrMsg_Timer();
    void tmrStop_Timer();

    void LoadConfiguration();
    bool LoadStreams(const std::string& strFile);
    std::int32_t RegisterItem(const std::string& strName);
    void SubscribeItems();

    void m_OpcClient_DataChange();
    void m_OpcClient_ServerShutdown(const std::string& Reason);
    void WriteTarnel(const std::string& strTag, float rVal);
    void Cleanup();

    void listCalcs_Click(std::int32_t nPosition);
    void chkCanClose_Click(bool bChecked);
    void ShowStreamDefinition(std::int32_t nPosition);
    void ShowStreamValues();

    // The service events, public for the service control and for tests.
    void NTService1_Start(bool& Success) override;
    void NTService1_Stop() override;
    void NTService1_Pause(bool& Success) override;
    void NTService1_Continue(bool& Success) override;
    void NTService1_Control(std::int32_t lEvent) override;

    // Who is told of starts, calculations and shutdown requests; none by default.
    void Monitor(IServiceMonitor* pMonitor) { m_pMonitor = pMonitor; }

    // What tests and the status page read.
    const WindowControls& Controls() const { return m_Controls; }
    bool Visible() const { return m_bVisible; }
    const std::string& IniFile() const { return m_strIniFile; }
    std::int32_t StartupDelay() const { return m_nStartupDelay; }
    std::int32_t UpdateSeconds() const { return m_nUpdateSeconds; }
    std::int32_t DisplayCount() const { return m_nDisplayCount; }
    std::int32_t StreamCount() const { return m_nStreams; }
    const StreamCollection& Streams() const { return g_Streams; }
    const ItemList& Items() const { return m_Items; }
    const OpcClient* Client() const { return m_OpcClient.get(); }

private:
    bool ActOnCommandLine(const std::string& strCommand);
    void ChooseIniFile();
    void ReadVisible();
    void ShowWindow();
    void OnWindowAction(const WindowAction& action);
    bool IsListPosition(std::int32_t nPosition) const;
    void ReadStartupDelay();
    std::string Profile(const std::string& strKey, const std::string& strDefault) const;
    bool CreateSharedObjects();
    void ReadStreamLine(const std::function<std::string(std::int32_t)>& field,
                        std::int32_t& nAccepted);
    bool UpdateInputs(TarnelTag& stream);
    std::int32_t CalculateChanged();
    void Guarded(const std::string& strPrefix, const std::function<void()>& work);
    void Unload(int nExitCode);
    void End(int nExitCode);
    void EndForConfiguration(const std::string& strReason);
    void Publish();
    std::string DefaultIniFile() const;

    FormPlatform m_Platform;
    WindowControls m_Controls;
    std::unique_ptr<ITimer> tmrConnect, tmrWatchdog, tmrMsg, tmrStop;

    std::string m_strComputerName;
    std::string m_strIniFile;
    bool m_bVisible = false;
    std::int32_t m_nStartupDelay = 0;
    std::int32_t m_nConnectTicks = 0;
    std::int32_t m_nUpdateSeconds = 1;
    std::int32_t m_nDisplayCount = 0;

    std::unique_ptr<OpcClient> m_OpcClient;
    std::string m_strNode;
    std::string m_strServer;
    std::int32_t m_nStreams = 0;
    ItemList m_Items;
    // The stream in the frame; its list position is the list's selection.
    std::string m_strSelected;

    // The program module's shared objects; the streams reach them through g_Services.
    StreamCollection g_Streams;
    std::shared_ptr<IGas> g_Gas;
    std::unique_ptr<BadValueHelper> g_BadValueHelper;
    StreamServices g_Services;

    // Why the stream table could not be built, for the one line that ends the program.
    std::string m_strLoadFailure;
    // Item positions whose value is text, so that each is logged once until it is a number again.
    std::set<std::int32_t> m_TextItems;
    bool m_bEnded = false;
    IServiceMonitor* m_pMonitor = nullptr;
};

}  // namespace tarnel
