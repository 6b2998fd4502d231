// The monitoring at plant size (1,000 streams): the event loop's work for one
// second (one data change's bookkeeping and the one-second tick that builds
// and publishes the snapshot and adds to the trends), the listener's
// rendering of that snapshot, and the memory of every trend ring full.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "bench/ResidentMemory.h"
#include "service/host/BuiltInProviders.h"
#include "service/host/CreateGas.h"
#include "service/host/PlantMonitor.h"
#include "service/host/frmMain.h"
#include "tests/service/host/HostTestSupport.h"

namespace tarnel {
namespace {

constexpr int kStreams = 1000;

class NoNotify : public IServiceNotify {
public:
    void Notify(const std::string&) override {}
    bool WatchdogEnabled() const override { return true; }
};

// 1,000 streams on the simulation server, loaded and calculated once.
class MonitoredPlant {
public:
    MonitoredPlant()
        : form(FormPlatform{service, window, timers.Factory(), std::cout, [](int) {}, CreateGas,
                            [this](const std::string& strIniFile) {
                                return std::make_unique<OpcClient>(
                                    BuiltInProviders(loop, strIniFile));
                            }}),
          monitor(form, notify, monitorTimers.Factory(), [this] { return dNow; }) {
        std::ofstream(home.Path() + "/TarnelSvc.ini")
            << "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\n"
               "OpcServer=Tarnel.Simulation\nMonitorPort=off\n";
        std::ofstream streams(home.Path() + "/Streams.csv");
        std::ofstream scenario(home.Path() + "/Simulation.csv");
        streams << "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";
        scenario << "Seconds,Item,Action,Value\n";
        for (int i = 0; i < kStreams; ++i) {
            const std::string n = std::to_string(i);
            streams << "S-" << n << ",PT-" << n << ",TT-" << n << ",ZI-" << n
                    << ",45.99,190.56,0.011,barg,deg C,ZS-" << n << ",Stream number " << n << "\n";
            scenario << "0,PT-" << n << ",value,20\n0,TT-" << n << ",value,15\n";
        }
        streams.close();
        scenario.close();
        form.Monitor(&monitor);
        form.Form_Load("-debug");
        timers.Connect().Tick();
        while (monitor.MakeSnapshot(dNow)->DataChanges == 0) loop.run_one();
    }

    test::TempHome home;
    asio::io_context loop;
    test::FakeServiceControl service;
    test::FakeWindow window;
    test::ManualTimers timers, monitorTimers;
    NoNotify notify;
    double dNow = 1e9;
    frmMain form;
    PlantMonitor monitor;
};

void MonitorLoopWorkPerSecond(benchmark::State& bench) {
    MonitoredPlant plant;
    for (auto _ : bench) {
        plant.dNow += 1.0;
        plant.monitor.Calculated(kStreams, true);
        plant.monitor.Tick();
    }
    bench.SetItemsProcessed(bench.iterations() * kStreams);
}
BENCHMARK(MonitorLoopWorkPerSecond)->Unit(benchmark::kMicrosecond);

// The listener's side, once per snapshot: the JSON and the metrics.
void RenderSnapshot(benchmark::State& bench) {
    MonitoredPlant plant;
    std::size_t nBytes = 0;
    for (auto _ : bench) {
        const auto snapshot = plant.monitor.MakeSnapshot(plant.dNow);
        nBytes = bench.range(0) == 0 ? snapshot->Json().size() : snapshot->Metrics().size();
    }
    bench.counters["bytes"] = static_cast<double>(nBytes);
}
BENCHMARK(RenderSnapshot)->Arg(0)->Arg(1)->ArgNames({"metrics"})->Unit(benchmark::kMillisecond);

// What full trend rings add to the service: 1,000 streams, every ring full.
void FullTrendRings(benchmark::State& bench) {
    MonitoredPlant plant;
    double dAdded = 0;
    for (auto _ : bench) {
        const double dBefore = ResidentMegabytes(getpid());
        const auto snapshot = plant.monitor.MakeSnapshot(plant.dNow);
        for (std::size_t i = 0; i < snapshot->Streams->Count(); ++i) {
            for (std::size_t k = 0; k < PlantMonitor::kTrendPoints; ++k) {
                snapshot->Streams->Trend(i).Add({plant.dNow + static_cast<double>(k)});
            }
        }
        dAdded = ResidentMegabytes(getpid()) - dBefore;
    }
    bench.counters["added_MB"] = dAdded;
}
BENCHMARK(FullTrendRings)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnel
