// One data change of 1,000 items: the simulation group finds the changed items
// and raises DataChange, and OpcClient stores values and qualities in its tables.
// And the reading of a simulation scenario of 100,000 and 1,000,000 lines, to
// show that it grows linearly.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <asio/io_context.hpp>
#include <filesystem>
#include <fstream>

#include "service/automation/AutomationServer.h"
#include "service/opc/OpcClient.h"
#include "service/providers/simulation/SimulationScenario.h"
#include "service/providers/simulation/SimulationServer.h"

namespace tarnel {
namespace {

constexpr int kItems = 1000;

void DataChangeThroughClient(benchmark::State& bench) {
    // The simulation's log line (no scenario) goes to a scratch folder.
    char folder[] = "/tmp/tarnel-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        bench.SkipWithError("no scratch folder");
        return;
    }
    setenv("TARNEL_HOME", folder, 1);
    asio::io_context io;
    std::shared_ptr<SimulationServer> simulation;
    const OPCProvider provider{SimulationServer::kProgID, [&]() -> std::shared_ptr<OPCServer> {
                                   simulation = std::make_shared<SimulationServer>(
                                       io, SimulationServer::Settings{folder, folder});
                                   return simulation;
                               }};
    {
        OpcClient client([&] { return std::make_shared<AutomationServer>(std::vector{provider}); });
        client.Server(SimulationServer::kProgID);
        client.Connect();
        std::vector<std::string> names;
        for (int i = 0; i < kItems; ++i) names.push_back("FT-" + std::to_string(i));
        client.AddOPCItems(names);
        std::int64_t nChanges = 0;
        client.DataChange = [&] { ++nChanges; };
        const auto group = simulation->Groups()->Find("Group1");
        std::shared_ptr<OPCItems> collection;
        group->get_OPCItems(collection);
        auto& items = std::static_pointer_cast<SimulationItems>(collection)->Items();

        double dValue = 0.0;
        for (auto _ : bench) {
            dValue += 1.0;
            for (auto& [nHandle, item] : items) {
                static_cast<SimulationItem&>(*item).Write(Variant(dValue));
            }
            group->Update(std::chrono::steady_clock::now());
        }
        if (nChanges != bench.iterations() || client.ItemValue(kItems - 1) != Variant(dValue)) {
            bench.SkipWithError("a change did not reach the client's tables");
        }
        bench.SetItemsProcessed(bench.iterations() * kItems);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

BENCHMARK(DataChangeThroughClient)->Unit(benchmark::kMicrosecond);

// 1,000 items with a value step each second, in time order as scenarios are written.
void LoadScenario(benchmark::State& bench) {
    const auto nLines = bench.range(0);
    char folder[] = "/tmp/tarnel-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        bench.SkipWithError("no scratch folder");
        return;
    }
    setenv("TARNEL_HOME", folder, 1);
    const std::string strFile = std::string(folder) + "/Simulation.csv";
    {
        std::ofstream scenario(strFile);
        scenario << "Seconds,Item,Action,Value,Quality\n";
        for (std::int64_t i = 0; i < nLines; ++i) {
            scenario << i / 1000 << ",FT-" << i % 1000 << ",value," << i << ",192\n";
        }
    }
    for (auto _ : bench) {
        const SimulationScenario scenario = SimulationScenario::Load(strFile);
        if (scenario.Script("FT-999") == nullptr) bench.SkipWithError("the scenario was refused");
    }
    bench.SetComplexityN(nLines);
    bench.SetItemsProcessed(bench.iterations() * nLines);
    unsetenv("TARNEL_HOME");
    std::filesystem::remove_all(folder);
}

BENCHMARK(LoadScenario)
    ->Arg(100000)
    ->Arg(1000000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnel
