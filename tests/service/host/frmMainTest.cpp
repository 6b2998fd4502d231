#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "HostTestSupport.h"
#include "service/host/BuiltInProviders.h"
#include "service/host/CreateGas.h"
#include "service/host/frmMain.h"
#include "tests/support/ReferenceValues.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;

std::string HostName() {
    char name[64] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

constexpr const char* kStreamsHeader = "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";

class FormTest : public ::testing::Test {
protected:
    void Make(std::function<std::shared_ptr<IGas>(std::string&)> createGas = CreateGas) {
        form = std::make_unique<frmMain>(FormPlatform{
            service, window, timers.Factory(), messages, [this](int nCode) { exitCode = nCode; },
            std::move(createGas), [this](const std::string& strIniFile) {
                return std::make_unique<OpcClient>(BuiltInProviders(loop, strIniFile));
            }});
    }
    void Load(const std::string& strCommand = "-debug") {
        if (!form) Make();
        form->Form_Load(strCommand);
    }
    // The connection timer's ticks until the configuration is loaded.
    void LoadConfiguration() {
        for (int i = 0; i < form->StartupDelay(); ++i) timers.Connect().Tick();
    }
    void Ini(const std::string& strBody) {
        home.Write("TarnelSvc.ini", "[Tarnel Service]\n" + strBody);
    }
    void Streams(const std::string& strLines) {
        home.Write("Streams.csv", kStreamsHeader + strLines);
    }
    // Runs the event loop (the simulation server's updates) until done() holds.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!done() && std::chrono::steady_clock::now() < deadline) loop.run_one_for(100ms);
        return done();
    }
    const TarnelTag& Stream(const std::string& strName) { return *form->Streams().Item(strName); }
    bool LogHas(const std::string& strLine) {
        const auto lines = home.LogLines();
        return std::find(lines.begin(), lines.end(), strLine) != lines.end();
    }

    test::TempHome home;
    asio::io_context loop;
    test::ManualTimers timers;
    test::FakeServiceControl service;
    test::FakeWindow window;
    std::ostringstream messages;
    std::optional<int> exitCode;
    std::unique_ptr<frmMain> form;
};

// ---- Command line ----------------------------------------------------------------

TEST_F(FormTest, CommandLineSwitchesGiveTheirMessageAndExitStatus) {
    struct Case {
        const char* command;
        bool succeed;
        const char* message;
        int exit;
    };
    const Case cases[] = {{"-install", true, "Tarnel Service installed successfully\n", 0},
                          {"-install", false, "Tarnel Service failed to install\n", 1},
                          {"-uninstall", true, "Tarnel Service uninstalled successfully\n", 0},
                          {"-uninstall", false, "Tarnel Service failed to uninstall\n", 1},
                          {"-INSTALL", true, "Invalid command option\n", 1},
                          {"-install ", true, "Invalid command option\n", 1},
                          {"-debug -debug", true, "Invalid command option\n", 1},
                          {"/debug", true, "Invalid command option\n", 1}};
    for (const auto& c : cases) {
        service = test::FakeServiceControl();
        service.bSucceed = c.succeed;
        messages.str("");
        exitCode.reset();
        form.reset();
        Load(c.command);
        EXPECT_EQ(messages.str(), c.message) << c.command;
        EXPECT_EQ(exitCode, c.exit) << c.command;
        EXPECT_EQ(service.nStarts, 0) << c.command;
    }
    EXPECT_TRUE(home.LogLines().empty());
}

TEST_F(FormTest, InstallSetsTheInteractiveFlagFirst) {
    Load("-install");
    EXPECT_TRUE(service.bInteractive);
    EXPECT_EQ(service.nInstalls, 1);
}

TEST_F(FormTest, DebugAndEmptyCommandStartTheService) {
    for (const char* strCommand : {"-debug", ""}) {
        service = test::FakeServiceControl();
        form.reset();
        Load(strCommand);
        EXPECT_EQ(service.bDebug, std::string(strCommand) == "-debug");
        EXPECT_EQ(service.nControlsAccepted, 2);
        EXPECT_EQ(service.nStarts, 1);
        EXPECT_FALSE(exitCode);
        EXPECT_EQ(form->Controls().txtStatus.Text, "Running");
        EXPECT_EQ(form->Controls().txtStatus.ForeColor, kBlue);
        EXPECT_TRUE(timers.Connect().Enabled());
    }
    EXPECT_EQ(messages.str(), "");
}

// ---- INI file and start-up keys -------------------------------------------------

TEST_F(FormTest, ComputerSpecificIniFileWins) {
    Ini("Visible=no\n");
    home.Write(HostName() + ".ini", "[Tarnel Service]\nVisible=yes\nStatusPort=0\n");
    Load();
    EXPECT_EQ(form->IniFile(), home.Path() + "/" + HostName() + ".ini");
    EXPECT_TRUE(form->Visible());
}

TEST_F(FormTest, VisibleKeyShowsTheWindowOnlyForTrueYesOr1) {
    const std::pair<const char*, bool> cases[] = {{"Visible=Yes\n", true},
                                                  {"Visible=TRUE\n", true},
                                                  {"Visible=1\n", true},
                                                  {"Visible=no\n", false},
                                                  {"Visible=0\n", false},
                                                  {"Visible=\n", false},
                                                  {"", false},
                                                  {"Visible=on\n", false}};
    for (const auto& [strKey, bShown] : cases) {
        Ini(strKey);
        window = test::FakeWindow();
        form.reset();
        Load();
        EXPECT_EQ(form->Visible(), bShown) << strKey;
        EXPECT_EQ(window.bShown, bShown) << strKey;
    }
}

TEST_F(FormTest, WithoutAnyIniFileTheWindowIsShownOnTheDefaultAddress) {
    Load();
    EXPECT_EQ(form->IniFile(), home.Path() + "/TarnelSvc.ini");
    EXPECT_TRUE(window.bShown);
    EXPECT_EQ(window.strAddress, "127.0.0.1");
    EXPECT_EQ(window.nPort, 8470);
    EXPECT_EQ(form->StartupDelay(), 2);
    ASSERT_TRUE(window.snapshot);
    EXPECT_EQ(window.snapshot->Caption, "Orrin - Gas Compressibility Factor OPC Client Service");
}

TEST_F(FormTest, StatusAddressAndPortComeFromTheIni) {
    Ini("Visible=1\nStatusAddress=::1\nStatusPort=9001\n");
    Load();
    EXPECT_EQ(window.strAddress, "::1");
    EXPECT_EQ(window.nPort, 9001);
}

TEST_F(FormTest, StatusPortThatIsNoNumberIsLoggedAndNoPageStarts) {
    Ini("Visible=1\nStatusPort=http\n");
    Load();
    EXPECT_FALSE(window.bShown);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(LogHas("Status page not started: StatusPort http is not a number"));
}

TEST_F(FormTest, StartupDelayIsAWholeNumberOfAtLeastOneSecond) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"StartupDelaySeconds=0\n", 1},
        {"StartupDelaySeconds=-5\n", 1},
        {"StartupDelaySeconds=abc\n", 1},
        {"StartupDelaySeconds=\n", 1},
        {"", 2},
        {"StartupDelaySeconds=2.5\n", 2},
        {"StartupDelaySeconds=3.5\n", 4},
        {"StartupDelaySeconds=1e30\n", 2147483647}};
    for (const auto& [strKey, nDelay] : cases) {
        Ini(strKey);
        form.reset();
        Load();
        EXPECT_EQ(form->StartupDelay(), nDelay) << strKey;
    }
}

TEST_F(FormTest, LoadingStartsOnTheTickNumberedByTheDelay) {
    Ini("StartupDelaySeconds=3\n");
    Load();
    timers.Connect().Tick();
    timers.Connect().Tick();
    EXPECT_FALSE(timers.Watchdog().Enabled());
    timers.Connect().Tick();
    EXPECT_FALSE(timers.Connect().Enabled());
    EXPECT_TRUE(timers.Watchdog().Enabled());
}

// ---- Service events --------------------------------------------------------------

TEST_F(FormTest, ServiceEventsSetTheStatusLineAndLog) {
    Load();
    auto& events = static_cast<IServiceEvents&>(*form);
    bool bStarted = false, bPaused = false, bContinued = false;
    events.NTService1_Start(bStarted);
    EXPECT_EQ(form->Controls().txtStatus.Text, "Running");
    events.NTService1_Pause(bPaused);
    EXPECT_EQ(form->Controls().txtStatus.Text, "Paused");
    events.NTService1_Continue(bContinued);
    EXPECT_EQ(form->Controls().txtStatus.Text, "Running");
    events.NTService1_Control(130);
    EXPECT_EQ(form->Controls().txtStatus.Text, "Received Control signal 130");
    EXPECT_TRUE(bStarted && bPaused && bContinued);
    EXPECT_EQ(home.LogLines(),
              (std::vector<std::string>{"Started", "Service paused", "Service continued",
                                        "Received Control signal 130"}));
}

TEST_F(FormTest, StopBeforeLoadingLogsTheFailureAndStillEnds) {
    Ini("TagDef=Streams.csv\nOpcServer=Tarnel.Simulation\n");
    Streams(kNaturalGasLine);
    Load();
    form->NTService1_Stop();
    EXPECT_EQ(form->Controls().txtStatus.Text, "Stopped");
    EXPECT_EQ(home.LogLines(), std::vector<std::string>{
                                   "Stopped: [91] Object variable or With block variable not set"});
    ASSERT_TRUE(timers.Stop().Enabled());
    EXPECT_FALSE(exitCode);
    // The start-up delay ending inside the two seconds loads nothing.
    timers.Connect().Tick();
    timers.Connect().Tick();
    EXPECT_FALSE(timers.Watchdog().Enabled());
    EXPECT_EQ(form->Client(), nullptr);
    timers.Stop().Tick();
    EXPECT_EQ(exitCode, 0);
}

// ---- Closing the window -------------------------------------------------------------

TEST_F(FormTest, UserCloseIsRefusedUntilTheBoxIsTicked) {
    Ini("Visible=1\n");
    Load();
    bool bPaused = false;
    form->NTService1_Pause(bPaused);
    window.onAction({WindowAction::Kind::Close, -1, false, "127.0.0.1"});
    const Control& status = form->Controls().txtStatus;
    EXPECT_EQ(status.Text, " Shutdown the service using ControlPanel/Services if required");
    EXPECT_EQ(status.ForeColor, kRed);
    EXPECT_EQ(status.BackColor, kWhite);
    EXPECT_EQ(window.snapshot->Controls[5].second, status);
    EXPECT_TRUE(timers.Msg().Enabled());
    EXPECT_FALSE(exitCode);

    timers.Msg().Tick();
    EXPECT_EQ(status.Text, "Running");
    EXPECT_EQ(status.ForeColor, kBlue);
    EXPECT_EQ(status.BackColor, kWindowBackground);
    EXPECT_FALSE(timers.Msg().Enabled());

    window.onAction({WindowAction::Kind::CanClose, -1, true, ""});
    EXPECT_TRUE(window.snapshot->CanClose);
    const std::string strClosed =
        "Window closed from the status page (127.0.0.1); service stopping";
    EXPECT_FALSE(LogHas(strClosed)) << "a refused close is not logged";
    window.onAction({WindowAction::Kind::Close, -1, false, "127.0.0.1"});
    EXPECT_EQ(home.LogLines().back(), strClosed);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(window.bShown);
}

TEST_F(FormTest, OtherUnloadsAreNotRefused) {
    Load();
    bool bCancel = false;
    form->Form_QueryUnload(bCancel, 1);
    EXPECT_FALSE(bCancel);
    EXPECT_FALSE(timers.Msg().Enabled());
}

// ---- Configuration that ends the program ---------------------------------------

TEST_F(FormTest, ConfigurationThatGivesNoStreamEndsWithAReasonAndFailureStatus) {
    struct Case {
        std::string ini;
        const char* streams;  // null: no file
        std::string line;
    };
    const std::string dir = home.Path();
    const Case cases[] = {
        {"TagDef=Missing.csv\n", nullptr,
         "Service ends: the stream-definition file " + dir + "/Missing.csv cannot be read"},
        {"TagDef=\n", nullptr,
         "Service ends: the stream-definition file " + dir + "/ cannot be read"},
        {"TagDef=Streams.csv\n", "",
         "Service ends: no stream accepted from the stream-definition file " + dir +
             "/Streams.csv"},
        {"TagDef=Streams.csv\n",
         ",P,T,Z,1,2,0.1,bar,K,S\nP-101,P,T,Z,1,2,0.1,bar,K,S\n"
         "p-101,P,T,Z,1,2,0.1,bar,K,S\n",
         "Service ends: stream name p-101 repeated in " + dir + "/Streams.csv"},
        {"TagDef=" + dir + "/Streams.csv\n", "P-101,P,T,Z,1,2,0.1,bar,K,S\n",
         "Service ends: the stream-definition file " + dir + "/" + dir +
             "/Streams.csv cannot be read"}};
    for (const auto& c : cases) {
        std::filesystem::remove(dir + "/TarnelService.log");
        std::filesystem::remove(dir + "/Streams.csv");
        Ini("StartupDelaySeconds=1\n" + c.ini);
        if (c.streams != nullptr) Streams(c.streams);
        exitCode.reset();
        form.reset();
        Load();
        LoadConfiguration();
        EXPECT_EQ(exitCode, 1) << c.ini;
        EXPECT_TRUE(LogHas(c.line)) << c.line << "\n" << home.Read("TarnelService.log");
        EXPECT_EQ(form->Client(), nullptr);
    }
}

TEST_F(FormTest, NoIniFileAtLoadingEndsWithAReason) {
    Load();
    LoadConfiguration();
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(home.LogLines(),
              std::vector<std::string>{"Service ends: no configuration file (" + HostName() +
                                       ".ini or TarnelSvc.ini in " + home.Path() + ")"});
    EXPECT_FALSE(window.bShown);
}

TEST_F(FormTest, GasThatCannotBeCreatedEndsWithAReason) {
    Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\n");
    Streams("P-101,P,T,Z,1,2,0.1,bar,K,S\n");
    Make([](std::string& strError) -> std::shared_ptr<IGas> {
        strError = "class not registered";
        return nullptr;
    });
    Load();
    LoadConfiguration();
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(LogHas("Service ends: cannot create Gas (class not registered)"));
}

TEST_F(FormTest, OpcClientThatCannotBeCreatedEndsWithAReason) {
    Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\n");
    Streams("P-101,P,T,Z,1,2,0.1,bar,K,S\n");
    form = std::make_unique<frmMain>(FormPlatform{
        service, window, timers.Factory(), messages, [this](int nCode) { exitCode = nCode; },
        CreateGas, [](const std::string&) -> std::unique_ptr<OpcClient> { throw std::bad_alloc(); }});
    Load();
    LoadConfiguration();
    EXPECT_EQ(exitCode, 1);
    EXPECT_TRUE(LogHas("Service ends: cannot create OpcClient (std::bad_alloc)"));
}

TEST_F(FormTest, UpdateIntervalIsAWholeNumberOfAtLeastOneSecond) {
    Streams("P-101,P,T,Z,1,2,0.1,bar,K,S\n");
    const std::pair<const char*, std::int32_t> cases[] = {{"", 1},
                                                          {"UpdateIntervalSeconds=5\n", 5},
                                                          {"UpdateIntervalSeconds=0\n", 1},
                                                          {"UpdateIntervalSeconds=-3\n", 1},
                                                          {"UpdateIntervalSeconds=abc\n", 1},
                                                          {"UpdateIntervalSeconds=2.5\n", 2},
                                                          {"UpdateIntervalSeconds=\n", 1}};
    for (const auto& [strKey, nSeconds] : cases) {
        Ini(std::string("StartupDelaySeconds=1\nTagDef=Streams.csv\n") + strKey);
        form.reset();
        Load();
        LoadConfiguration();
        EXPECT_EQ(form->UpdateSeconds(), nSeconds) << strKey;
        EXPECT_EQ(form->Client()->UpdateRateSec(), nSeconds) << strKey;
    }
}

// Whatever the stream-definition file holds, loading it, recalculating and
// showing every stream must not fail (the sanitizer build checks the memory).
TEST_F(FormTest, RandomStreamFilesNeverBreakTheService) {
    const std::vector<std::string> tokens = {"",
                                             "P",
                                             "T",
                                             "1e308",
                                             "-1e308",
                                             "nan",
                                             "0",
                                             "-5",
                                             "45.99",
                                             "bar",
                                             "psig",
                                             "kPaA",
                                             "deg F",
                                             "K",
                                             "\"a,b\"",
                                             "\"",
                                             "\xB0"
                                             "C",
                                             "  ",
                                             "P-101",
                                             "p-101",
                                             std::string(300, 'x'),
                                             "1,2"};
    std::srand(7);
    for (int nRun = 0; nRun < 60; ++nRun) {
        std::string lines;
        const int nLines = std::rand() % 12;
        for (int l = 0; l < nLines; ++l) {
            const int nFields = std::rand() % 14;
            for (int f = 0; f < nFields; ++f) {
                lines += std::string(f > 0 ? "," : "") +
                         tokens[static_cast<std::size_t>(std::rand()) % tokens.size()];
            }
            lines += "\n";
        }
        Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\nVisible=1\n");
        Streams(lines);
        exitCode.reset();
        form.reset();
        Load();
        LoadConfiguration();
        if (exitCode) continue;
        form->m_OpcClient_DataChange();
        timers.Watchdog().Tick();
        timers.Watchdog().Tick();
        for (std::int32_t i = 0; i < form->StreamCount(); ++i) form->listCalcs_Click(i);
    }
}

// ---- The stream table without a server --------------------------------------------

TEST_F(FormTest, StreamsLoadWithoutAServerAndTheFirstIsShown) {
    Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\nNode=plant-7\n");
    Streams(
        ",PT-1,TT-1,ZI-1,45.99,190.56,0.011,bar,deg C,ZS-1,Natural gas\n"
        ",,TT-2,ZI-2,1,2,0.1,bar,K,ZS-2\n"
        ",PT-1,TT-3,,PC-3,TC-3,AF-3,psia,degF\n");
    Load();
    LoadConfiguration();
    ASSERT_FALSE(exitCode);
    EXPECT_EQ(form->StreamCount(), 2);
    EXPECT_EQ(form->Controls().listCalcs, (std::vector<std::string>{"Stream 1", "Stream 2"}));
    EXPECT_EQ(form->Items().Items(),
              (std::vector<std::string>{"PT-1", "TT-1", "ZI-1", "ZS-1", "TT-3", "", "PC-3", "TC-3",
                                        "AF-3"}));
    EXPECT_EQ(Stream("stream 2").IndexP(), Stream("Stream 1").IndexP());
    EXPECT_EQ(Stream("Stream 2").IndexAcentric(), 8);
    EXPECT_EQ(Stream("Stream 1").IndexPc(), -1);
    EXPECT_DOUBLE_EQ(Stream("Stream 1").Pcrit(), 45.99);
    EXPECT_EQ(home.LogLines(),
              (std::vector<std::string>{"Stream 2: Pressure Tag Not Specified",
                                        "Stream 2: Warning - Compressibility Tag Not Specified",
                                        "Stream 2: Warning - Status Tag Not Specified",
                                        "OPC Add Items: Error 0x5B,  91"}));

    const WindowControls& c = form->Controls();
    EXPECT_EQ(c.txtNode.Text, "plant-7");
    EXPECT_EQ(c.fraCalc, "Natural gas");
    EXPECT_EQ(c.txtPtag.Text, "PT-1");
    EXPECT_FALSE(c.txtPcTag.Visible);
    EXPECT_FALSE(c.txtAcentricTag.Visible);
    EXPECT_TRUE(c.txtZtag.Visible);
    EXPECT_EQ(c.txtPeu.Text, "bar (g)");
    EXPECT_EQ(c.txtTeu.Text, "deg C");
    EXPECT_EQ(c.txtPcrit.Text, "45.99");
    EXPECT_EQ(c.txtAcentric.Text, "0.0110");
    EXPECT_EQ(c.listCalcsIndex, 0);
    EXPECT_EQ(form->DisplayCount(), 1);

    form->listCalcs_Click(1);
    EXPECT_EQ(c.fraCalc, "Stream 2");
    EXPECT_EQ(c.txtPcTag.Text, "PC-3");
    EXPECT_TRUE(c.txtPcTag.Visible);
    EXPECT_FALSE(c.txtZtag.Visible);
    EXPECT_EQ(c.txtPeu.Text, "psi (a)");
    EXPECT_EQ(c.txtTcriteu.Text, "R");
    form->listCalcs_Click(7);
    EXPECT_EQ(c.listCalcsIndex, 1);
    // A position without a list entry shows nothing, so it counts as no refresh.
    EXPECT_EQ(form->DisplayCount(), 2);
}

TEST_F(FormTest, ClickOnTheVisibleListSuppressesTheNextRecalculation) {
    Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\nVisible=yes\n");
    Streams(kNaturalGasLine);
    Load();
    LoadConfiguration();
    timers.Watchdog().Tick();
    window.onAction({WindowAction::Kind::Select, 0, false, ""});
    timers.Watchdog().Tick();
    EXPECT_EQ(Stream("NG").Status(), 0);
    timers.Watchdog().Tick();
    EXPECT_EQ(Stream("NG").Status(), -2);
    EXPECT_EQ(form->DisplayCount(), 0);
}

TEST_F(FormTest, WatchdogRecalculatesOnlyWhenTheDisplayWasNotRefreshed) {
    Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\n");
    Streams(kNaturalGasLine);
    Load();
    LoadConfiguration();
    EXPECT_EQ(Stream("NG").Status(), 0);
    timers.Watchdog().Tick();
    EXPECT_EQ(Stream("NG").Status(), 0);
    EXPECT_EQ(form->DisplayCount(), 0);
    timers.Watchdog().Tick();
    EXPECT_EQ(Stream("NG").Status(), -2);
}

// ---- Against the simulation server ------------------------------------------------

class SimulatedFormTest : public FormTest {
protected:
    void Start(const std::string& strScenario, const std::string& strStreams,
               const std::string& strIni = "") {
        Ini("StartupDelaySeconds=1\nTagDef=Streams.csv\nOpcServer=Tarnel.Simulation\n" + strIni);
        home.Write("Simulation.csv",
                   "Seconds,Item,Action,Value,Quality,Low,High,Step,Seed\n" + strScenario);
        Streams(strStreams);
        Load();
        LoadConfiguration();
        ASSERT_FALSE(exitCode);
    }
};

TEST_F(SimulatedFormTest, DataChangesRecalculateAndWriteBack) {
    Start("0,PT-1,value,0\n0,TT-1,value,15\n0,PT-2,value,10\n0,TT-2,value,300\n",
          std::string(kNaturalGasLine) +
              "C3,PT-2,TT-2,ZI-2,42.48,369.83,0.152,bara,K,ZS-2\n");
    ASSERT_TRUE(RunUntil([&] { return Stream("NG").Status() == 1 && Stream("C3").Status() != 0; }));
    EXPECT_NEAR(Stream("NG").Z(), 0.997488, 1e-6);
    EXPECT_EQ(Stream("C3").Status(), -5);
    const std::string writes = home.Read("SimulationWrites.csv");
    EXPECT_NE(writes.find(",ZI-1,0.99748"), std::string::npos) << writes;
    EXPECT_NE(writes.find(",ZS-1,1,OK"), std::string::npos) << writes;
    EXPECT_NE(writes.find(",ZS-2,-5,OK"), std::string::npos) << writes;
    EXPECT_EQ(writes.find(",ZI-2,"), std::string::npos) << writes;
    // Hidden: only the selection at load refreshed the display.
    EXPECT_EQ(form->DisplayCount(), 1);
}

TEST_F(SimulatedFormTest, TextValueStopsThatChangeAtItsStreamOnly) {
    Start(
        "0,PT-1,value,0\n0,TT-1,value,15\n0,PT-2,value,abc\n0,TT-2,value,15\n"
        "0,PT-3,value,0\n0,TT-3,value,15\n2,PT-2,value,0\n",
        std::string(kNaturalGasLine) +
            "N2,PT-2,TT-2,ZI-2,33.9,126.2,0.037,bar,deg C,ZS-2\n"
            "AR,PT-3,TT-3,ZI-3,48.6,150.7,0.0,bar,deg C,ZS-3\n");
    ASSERT_TRUE(RunUntil([&] { return Stream("NG").Status() == 1; }));
    EXPECT_EQ(Stream("N2").Status(), 0);
    // The streams after the text wait for the next change too.
    EXPECT_EQ(Stream("AR").Status(), 0);
    EXPECT_TRUE(
        LogHas("N2: value abc of item PT-2 cannot be taken as a float; streams from here on wait "
               "for the next data change"));
    ASSERT_TRUE(RunUntil([&] { return Stream("N2").Status() == 1; }));
    EXPECT_EQ(Stream("AR").Status(), 1);
}

TEST_F(SimulatedFormTest, StopDisablesTheGroupAndCleansUpTwoSecondsLater) {
    Start("0,PT-1,value,0\n0,TT-1,value,15\n",
          kNaturalGasLine);
    form->NTService1_Stop();
    EXPECT_TRUE(LogHas("Stopped"));
    EXPECT_TRUE(timers.Stop().Enabled());
    timers.Stop().Tick();
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(form->Client(), nullptr);
}

TEST_F(SimulatedFormTest, VisibleWindowShowsTheValuesOfEachChange) {
    Start("0,PT-1,value,1000\n0,TT-1,value,15\n",
          kNaturalGasLine, "Visible=yes\nStatusPort=0\n");
    ASSERT_TRUE(RunUntil([&] { return form->Controls().txtZStatus.Text == "OK"; }));
    EXPECT_EQ(form->Controls().txtP.Text, "1000.00");
    EXPECT_EQ(form->Controls().txtT.Text, "15.00");
    EXPECT_GT(form->DisplayCount(), 0);
}

}  // namespace
}  // namespace tarnel
