// The Modbus provider at plant size, against a real device (pymodbus on
// loopback): one poll of 1,000 float32 (and of 1,000 int16) items, merged
// into block reads; and one whole data change of 200 streams with five
// float32 inputs each, through the real OpcClient and window object: every
// stream recalculated, Z and status written to the device, the next poll done.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <asio/io_context.hpp>
#include <bit>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "bench/NoServiceControl.h"
#include "bench/NoWindow.h"
#include "com/ModuleRegistration.h"
#include "service/automation/AutomationServer.h"
#include "service/host/AsioTimer.h"
#include "service/host/CreateGas.h"
#include "service/host/frmMain.h"
#include "service/providers/modbus/ModbusGroup.h"
#include "service/providers/modbus/ModbusGroups.h"
#include "service/providers/modbus/ModbusServer.h"
#include "tests/support/modbus/ModbusDeviceProcess.h"

// Last: it defines TRUE and FALSE as macros.
#include <modbus.h>

namespace tarnel {
namespace {

using Clock = std::chrono::steady_clock;

class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/tarnel-modbus-bench-XXXXXX";
        m_strPath = mkdtemp(pattern);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};

std::string Entry(int nAddress, const char* type, double dValue) {
    std::string s = R"({"table": "holding", "address": )";
    s += std::to_string(nAddress);
    s += R"(, "type": ")";
    s += type;
    s += R"(", "value": )";
    s += std::to_string(dValue);
    s += "}";
    return s;
}

// Runs the loop until the group's poll is done.
void AwaitPoll(asio::io_context& io, const ModbusGroup& group) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (group.Polling() && Clock::now() < deadline)
        io.run_one_for(std::chrono::milliseconds(100));
}

// One poll of 1,000 items in a row: float32 (17 reads of at most 125
// registers) or int16 (8 reads).
void PollOfAThousandItems(benchmark::State& bench) {
    const bool bFloat = bench.range(0) == 2;
    const int nWidth = bFloat ? 2 : 1;
    ScratchFolder folder;
    std::string strMap = R"({"1": [)";
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        if (i > 0) strMap += ",";
        strMap += Entry(i * nWidth, bFloat ? "float32" : "int16", i);
        std::string strName = "1/holding/";
        strName += std::to_string(i * nWidth);
        strName += bFloat ? "/float32" : "/int16";
        names.push_back(strName);
    }
    strMap += "]}";
    ModbusDeviceProcess device(folder.Path(), strMap);
    if (!device.Start()) {
        bench.SkipWithError("the device did not start");
        return;
    }
    asio::io_context io;
    ModbusServer server(io, {folder.Path() + "/none.ini"});
    std::shared_ptr<OPCGroups> groups;
    std::shared_ptr<OPCGroup> added;
    std::shared_ptr<OPCItems> items;
    if (server.Connect(ModbusServer::kProgID, device.Node()) != S_OK ||
        server.get_OPCGroups(groups) != S_OK || groups->Add("G", added) != S_OK) {
        bench.SkipWithError("no connection");
        return;
    }
    added->put_UpdateRate(3600000);
    added->get_OPCItems(items);
    OPCArray<std::string> ids;
    OPCArray<std::int32_t> clients;
    for (const auto& name : names) {
        ids.Append(name);
        clients.Append(clients.UBound() + 1);
    }
    OPCArray<std::int32_t> handles;
    OPCArray<std::int32_t> errors;
    items->AddItems(ids.UBound(), ids, clients, handles, errors);
    const auto group = std::static_pointer_cast<ModbusGroup>(server.Groups()->Find("G"));
    device.TakeRequests();
    std::int64_t nReads = 0;
    for (auto _ : bench) {
        group->Update(Clock::now());
        AwaitPoll(io, *group);
        // The device's pipe must not fill up.
        bench.PauseTiming();
        nReads += device.TakeRequests();
        bench.ResumeTiming();
    }
    bench.counters["reads_per_poll"] =
        static_cast<double>(nReads) / static_cast<double>(bench.iterations());
    bench.SetItemsProcessed(bench.iterations() * 1000);
}

// The argument is the registers an item takes: 2 float32, 1 int16.
BENCHMARK(PollOfAThousandItems)
    ->ArgName("registers")
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

constexpr int kStreams = 200;

// A stream's five inputs at 10 i, its Z and status together from 5000 on.
int InputAt(int nStream, int nInput) { return 10 * nStream + 2 * nInput; }
int OutputAt(int nStream) { return 5000 + 3 * nStream; }

// 200 streams on the device: the stream file, the INI, the device's map.
std::string WritePlant(const std::string& strFolder, int nPort) {
    std::ofstream(strFolder + "/TarnelSvc.ini")
        << "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\nOpcServer=Tarnel.Modbus\n"
           "Node=127.0.0.1:"
        << nPort << "\n";
    std::ofstream streams(strFolder + "/Streams.csv");
    streams << "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";
    std::string strMap = R"({"1": [)";
    const double inputs[] = {20.0, 15.0, 45.99, 190.56, 0.011};
    for (int s = 0; s < kStreams; ++s) {
        auto item = [](int nAddress, const char* type) {
            return "1/holding/" + std::to_string(nAddress) + type;
        };
        streams << "S-" << s;
        for (int i : {0, 1}) streams << "," << item(InputAt(s, i), "/float32");
        streams << "," << item(OutputAt(s), "/float32");
        for (int i : {2, 3, 4}) streams << "," << item(InputAt(s, i), "/float32");
        streams << ",barg,deg C," << item(OutputAt(s) + 2, "/int16") << "\n";
        for (int i = 0; i < 5; ++i) strMap += Entry(InputAt(s, i), "float32", inputs[i]) + ",";
        strMap += R"({"table": "holding", "address": )" + std::to_string(OutputAt(s)) +
                  R"(, "registers": [0, 0, 0]})";
        if (s + 1 < kStreams) strMap += ",";
    }
    return strMap + "]}";
}

// Sets every stream's pressure on the device, as a plant would, through a
// connection of its own.
void SetPressures(modbus_t* plant, float rPressure) {
    const auto nBits = std::bit_cast<std::uint32_t>(rPressure);
    const std::uint16_t words[2] = {static_cast<std::uint16_t>(nBits >> 16),
                                    static_cast<std::uint16_t>(nBits)};
    for (int s = 0; s < kStreams; ++s) modbus_write_registers(plant, InputAt(s, 0), 2, words);
}

void DataChangeOf200Streams(benchmark::State& bench) {
    ScratchFolder folder;
    ScratchFolder deviceFolder;
    const std::string strMap = WritePlant(folder.Path(), 0);
    ModbusDeviceProcess device(deviceFolder.Path(), strMap);
    if (!device.Start()) {
        bench.SkipWithError("the device did not start");
        return;
    }
    WritePlant(folder.Path(), device.Port());
    setenv("TARNEL_HOME", folder.Path().c_str(), 1);
    setenv("TARNEL_REGISTRY", (folder.Path() + "/registry").c_str(), 1);
    std::string strDetail;
    if (FAILED(RegisterModule(PELLONAR_PATH, false, strDetail))) std::cerr << strDetail << '\n';

    asio::io_context loop;
    std::shared_ptr<ModbusServer> modbus;
    const OPCProvider provider{ModbusServer::kProgID, [&]() -> std::shared_ptr<OPCServer> {
                                   modbus = std::make_shared<ModbusServer>(
                                       loop,
                                       ModbusServer::Settings{folder.Path() + "/TarnelSvc.ini"});
                                   return modbus;
                               }};
    NoServiceControl service;
    NoWindow window;
    frmMain form({service, window, AsioTimer::Factory(loop), std::cout, [](int) {}, CreateGas,
                  [&](const std::string&) {
                      return std::make_unique<OpcClient>([&] {
                          return std::make_shared<AutomationServer>(std::vector{provider});
                      });
                  }});
    // Loaded by the form's own start-up timer, as the service does.
    form.Form_Load("-debug");
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!(modbus && modbus->Groups() && modbus->Groups()->Find("Group1")) &&
           Clock::now() < deadline) {
        loop.run_one_for(std::chrono::milliseconds(100));
    }
    modbus_t* plant = modbus_new_tcp("127.0.0.1", device.Port());
    modbus_set_slave(plant, 1);
    if (!modbus || !modbus->Groups() || modbus_connect(plant) != 0) {
        bench.SkipWithError("no connection");
        modbus_free(plant);
        return;
    }
    const auto group = std::static_pointer_cast<ModbusGroup>(modbus->Groups()->Find("Group1"));
    group->put_UpdateRate(3600000);
    float rPressure = 20.0f;
    for (auto _ : bench) {
        bench.PauseTiming();
        rPressure = rPressure == 20.0f ? 21.0f : 20.0f;
        SetPressures(plant, rPressure);
        device.TakeRequests();
        bench.ResumeTiming();
        // The poll brings the new pressures to every stream in its data change,
        // which hands Z and status to the worker; the worker takes requests in
        // order, so the next poll is done once they are written.
        group->Update(Clock::now());
        AwaitPoll(loop, *group);
        loop.poll();
        group->Update(Clock::now());
        AwaitPoll(loop, *group);
    }
    const TarnelTag& last = *form.Streams().Item("S-" + std::to_string(kStreams - 1));
    if (last.Status() != 1 || last.P() != rPressure) {
        std::cerr << "last stream: status " << last.Status() << ", P " << last.P() << "\n"
                  << std::ifstream(folder.Path() + "/TarnelService.log").rdbuf();
        bench.SkipWithError("the change did not reach the last stream");
    }
    modbus_close(plant);
    modbus_free(plant);
    bench.SetItemsProcessed(bench.iterations() * kStreams);
    unsetenv("TARNEL_REGISTRY");
    unsetenv("TARNEL_HOME");
}

BENCHMARK(DataChangeOf200Streams)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnel

BENCHMARK_MAIN();
