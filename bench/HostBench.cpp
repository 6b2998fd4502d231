// The service host at plant size: 1,000 streams with five inputs each, all
// from the server. One data change runs through the simulation server, the
// real OpcClient and the window object: every stream recalculated, Z and
// status written back. A second benchmark measures the resident memory of
// TarnelSvc itself running those streams. A third loads the configuration of
// 10,000 and 100,000 streams, to show that loading grows linearly.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "bench/NoServiceControl.h"
#include "bench/NoWindow.h"
#include "bench/ResidentMemory.h"
#include "com/ModuleRegistration.h"
#include "service/automation/AutomationServer.h"
#include "service/host/AsioTimer.h"
#include "service/host/CreateGas.h"
#include "service/host/frmMain.h"
#include "service/providers/simulation/SimulationItems.h"
#include "service/providers/simulation/SimulationServer.h"

namespace tarnel {
namespace {

constexpr int kStreams = 1000;
const char* const kInputs[] = {"PT-", "TT-", "PC-", "TC-", "AF-"};

// A scratch program folder with the configuration of 1,000 streams.
class PlantFolder {
public:
    // With bScenario, the simulation gives every input a value.
    explicit PlantFolder(int nStreams = kStreams, bool bScenario = true) {
        char pattern[] = "/tmp/tarnel-host-bench-XXXXXX";
        m_strPath = mkdtemp(pattern);
        std::ofstream(m_strPath + "/TarnelSvc.ini")
            << "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\n"
               "OpcServer=Tarnel.Simulation\n";
        std::ofstream streams(m_strPath + "/Streams.csv");
        std::ofstream scenario;
        if (bScenario) scenario.open(m_strPath + "/Simulation.csv");
        streams << "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";
        scenario << "Seconds,Item,Action,Value\n";
        for (int i = 0; i < nStreams; ++i) {
            const std::string n = std::to_string(i);
            streams << "S-" << n << ",PT-" << n << ",TT-" << n << ",ZI-" << n << ",PC-" << n
                    << ",TC-" << n << ",AF-" << n << ",barg,deg C,ZS-" << n << "\n";
            scenario << "0,PT-" << n << ",value,20\n0,TT-" << n << ",value,15\n0,PC-" << n
                     << ",value,45.99\n0,TC-" << n << ",value,190.56\n0,AF-" << n
                     << ",value,0.011\n";
        }
        // The service creates its Gas object from the registry, as installed.
        setenv("TARNEL_REGISTRY", (m_strPath + "/registry").c_str(), 1);
        std::string strDetail;
        if (FAILED(RegisterModule(PELLONAR_PATH, false, strDetail))) std::cerr << strDetail << '\n';
    }
    ~PlantFolder() {
        unsetenv("TARNEL_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

// The window object of a plant folder, started, on the simulation server.
struct PlantForm {
    explicit PlantForm(const PlantFolder& plant)
        : m_Provider{SimulationServer::kProgID,
                     [this, strFolder = plant.Path()]() -> std::shared_ptr<OPCServer> {
                         simulation = std::make_shared<SimulationServer>(
                             m_Loop, SimulationServer::Settings{strFolder, strFolder});
                         return simulation;
                     }},
          form({m_Service, m_Window, AsioTimer::Factory(m_Loop), std::cout, [](int) {}, CreateGas,
                [this](const std::string&) {
                    return std::make_unique<OpcClient>([this] {
                        return std::make_shared<AutomationServer>(std::vector{m_Provider});
                    });
                }}) {
        setenv("TARNEL_HOME", plant.Path().c_str(), 1);
        form.Form_Load("-debug");
    }
    ~PlantForm() { unsetenv("TARNEL_HOME"); }

    asio::io_context m_Loop;
    NoServiceControl m_Service;
    NoWindow m_Window;
    const OPCProvider m_Provider;
    std::shared_ptr<SimulationServer> simulation;
    frmMain form;
};

void DataChangeOver1000Streams(benchmark::State& bench) {
    PlantFolder plant;
    PlantForm loaded(plant);
    frmMain& form = loaded.form;
    form.LoadConfiguration();
    const auto& simulation = loaded.simulation;
    const auto group = simulation->Groups()->Find("Group1");
    std::shared_ptr<OPCItems> collection;
    group->get_OPCItems(collection);
    std::vector<SimulationItem*> pressures;
    for (auto& [nHandle, item] : std::static_pointer_cast<SimulationItems>(collection)->Items()) {
        if (item->Name().rfind("PT-", 0) == 0) {
            pressures.push_back(static_cast<SimulationItem*>(item.get()));
        }
    }
    // The scenario's values arrive with the first change.
    group->Update(std::chrono::steady_clock::now());

    double dPressure = 20.0;
    for (auto _ : bench) {
        // A new pressure for every stream, so that every Z changes and is written.
        dPressure = dPressure == 20.0 ? 21.0 : 20.0;
        for (SimulationItem* item : pressures) item->Write(Variant(dPressure));
        group->Update(std::chrono::steady_clock::now());
    }
    const TarnelTag& last = *form.Streams().Item("S-" + std::to_string(kStreams - 1));
    if (last.Status() != 1 || last.P() != static_cast<float>(dPressure)) {
        bench.SkipWithError("the change did not reach the last stream");
    }
    bench.SetItemsProcessed(bench.iterations() * kStreams);
}

BENCHMARK(DataChangeOver1000Streams)->Unit(benchmark::kMillisecond);

// The whole configuration loading: the INI keys, the connection, the stream
// file and the subscription of every item (five inputs and two outputs a stream).
void LoadConfigurationOfStreams(benchmark::State& bench) {
    const auto nStreams = static_cast<int>(bench.range(0));
    const PlantFolder plant(nStreams, false);
    for (auto _ : bench) {
        bench.PauseTiming();
        auto loaded = std::make_unique<PlantForm>(plant);
        bench.ResumeTiming();
        loaded->form.LoadConfiguration();
        bench.PauseTiming();
        if (loaded->form.StreamCount() != nStreams ||
            loaded->form.Items().Count() != 7 * nStreams) {
            bench.SkipWithError("not every stream was loaded");
        }
        loaded.reset();
        bench.ResumeTiming();
    }
    bench.SetComplexityN(nStreams);
    bench.SetItemsProcessed(bench.iterations() * nStreams);
}

BENCHMARK(LoadConfigurationOfStreams)
    ->Arg(10000)
    ->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void TarnelSvcResidentMemory(benchmark::State& bench) {
    PlantFolder plant;
    const std::string strWrites = plant.Path() + "/SimulationWrites.csv";
    double dMegabytes = -1;
    for (auto _ : bench) {
        const pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            setenv("TARNEL_HOME", plant.Path().c_str(), 1);
            execl(TARNELSVC_PATH, TARNELSVC_PATH, "-debug", nullptr);
            _exit(127);
        }
        // Running: every stream has written its status at least once.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        std::string strLast = "ZS-" + std::to_string(kStreams - 1) + ",1,OK";
        for (;;) {
            std::ifstream in(strWrites);
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find(strLast) != std::string::npos) break;
            if (std::chrono::steady_clock::now() > deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        // A few more changes and a watchdog-free minute are not needed: the
        // tables, the streams and the item list are all built by now.
        dMegabytes = ResidentMegabytes(pid);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (dMegabytes < 0) bench.SkipWithError("TarnelSvc did not run");
    bench.counters["RSS_MB"] = dMegabytes;
}

BENCHMARK(TarnelSvcResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnel
