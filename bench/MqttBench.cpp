// The MQTT provider against a real mosquitto on a free loopback port: how
// long a new pressure takes to come back as Z from the running service, one
// data change over 1,000 streams in process, and the service's resident
// memory across a flood of messages. The plant's side is a libmosquitto
// client in this process; waits follow its messages, with generous limits.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <asio/io_context.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <numeric>
#include <sstream>
#include <thread>
#include <vector>

#include "bench/BenchMqttClient.h"
#include "bench/NoServiceControl.h"
#include "bench/NoWindow.h"
#include "bench/ResidentMemory.h"
#include "com/ModuleRegistration.h"
#include "service/host/AsioTimer.h"
#include "service/host/CreateGas.h"
#include "service/host/frmMain.h"
#include "service/providers/ProviderItems.h"
#include "service/providers/mqtt/MqttGroups.h"
#include "service/providers/mqtt/MqttServer.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/MosquittoBroker.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLimit = 60s;
constexpr double kPressure = 20.0;  // barg

// The five inputs of a stream: its topic's last part and nominal value.
// Pressure and temperature always come from topics.
struct Input {
    const char* name;
    double dNominal;
    bool bAlwaysTopic;
};
constexpr Input kInputs[] = {{"P", kPressure, true},
                             {"T", 15.0, true},
                             {"Pc", 45.99, false},
                             {"Tc", 190.56, false},
                             {"AF", 0.011, false}};

std::string Text(double dValue) {
    std::ostringstream text;
    text << dValue;
    return text.str();
}

std::string Topic(int nStream, const std::string& strWhat) {
    std::string strTopic = "plant/S-";
    strTopic += std::to_string(nStream);
    strTopic += '/';
    strTopic += strWhat;
    return strTopic;
}

// mosquitto keeps 20 QoS 1 messages in flight and 1,000 more queued per
// client, and drops the rest: without a larger queue a service that subscribes
// 7,000 topics at once gets only 1,020 of their retained values.
constexpr const char* kPlantBroker = "max_queued_messages 100000\n";

std::string MakeFolder() {
    char pattern[] = "/tmp/tarnel-mqtt-bench-XXXXXX";
    const char* path = mkdtemp(pattern);
    return path != nullptr ? path : "";
}

// A scratch program folder for the service on its own broker. With
// bAllTopics every input of a stream is a topic; otherwise pressure and
// temperature are, and the critical values and acentric factor constants.
class MqttPlant {
public:
    MqttPlant(int nStreams, bool bAllTopics, int nUpdateSeconds)
        : m_strPath(MakeFolder()),
          m_nStreams(nStreams),
          m_bAllTopics(bAllTopics),
          m_nUpdateSeconds(nUpdateSeconds),
          m_Broker(m_strPath) {
        m_Broker.ExtraConfiguration(kPlantBroker);
        std::ofstream streams(m_strPath + "/Streams.csv");
        streams << "Name,P,T,Z,Pc,Tc,Acentric,PUnit,TUnit,Status,Description\n";
        for (int i = 0; i < nStreams; ++i) {
            streams << "S-" << i << ',' << Topic(i, "P") << ',' << Topic(i, "T") << ','
                    << Topic(i, "Z");
            for (const Input& input : {kInputs[2], kInputs[3], kInputs[4]}) {
                streams << ',' << (bAllTopics ? Topic(i, input.name) : Text(input.dNominal));
            }
            streams << ",barg,deg C," << Topic(i, "Status") << '\n';
        }
        // The service creates its Gas object from the registry, as installed.
        setenv("TARNEL_REGISTRY", (m_strPath + "/registry").c_str(), 1);
        setenv("TARNEL_HOME", m_strPath.c_str(), 1);
        std::string strDetail;
        if (FAILED(RegisterModule(PELLONAR_PATH, false, strDetail))) std::cerr << strDetail << '\n';
    }
    ~MqttPlant() {
        m_Broker.Kill();
        unsetenv("TARNEL_HOME");
        unsetenv("TARNEL_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    MqttPlant(const MqttPlant&) = delete;
    MqttPlant& operator=(const MqttPlant&) = delete;

    // The broker running and the service configured for it; otherwise the
    // benchmark is skipped and false returned.
    bool Start(benchmark::State& bench) {
        const auto started = m_Broker.Start();
        if (!started) {
            bench.SkipWithError(started.message());
            return false;
        }
        std::ofstream(IniFile())
            << "[Tarnel Service]\nStartupDelaySeconds=1\nTagDef=Streams.csv\n"
            << "UpdateIntervalSeconds=" << m_nUpdateSeconds << '\n'
            << "Node=127.0.0.1:" << m_Broker.Port() << '\n'
            << "OpcServer=Tarnel.MQTT\n[Tarnel.MQTT]\nClientId=TarnelSvc-bench\n";
        return true;
    }

    // Every input topic's nominal value, retained, as a plant keeps them;
    // true once the broker acknowledged them all.
    bool PublishNominalValues(BenchMqttClient& client) const {
        for (int i = 0; i < m_nStreams; ++i) {
            for (const Input& input : kInputs) {
                if (!m_bAllTopics && !input.bAlwaysTopic) continue;
                client.Publish(Topic(i, input.name), Text(input.dNominal), 1, true);
            }
        }
        return client.WaitSent(kLimit);
    }

    std::unique_ptr<ChildProcess> RunService() const {
        return std::make_unique<ChildProcess>(std::vector<std::string>{TARNELSVC_PATH, "-debug"},
                                              ChildProcess::Options{});
    }

    // Why the service did not do what was expected, for the error message.
    std::string ServiceLog() const {
        std::ifstream log(m_strPath + "/TarnelService.log");
        std::stringstream text;
        text << log.rdbuf();
        return text.str();
    }

    const std::string& Path() const { return m_strPath; }
    std::string IniFile() const { return m_strPath + "/TarnelSvc.ini"; }
    int Port() const { return m_Broker.Port(); }
    // Whether the broker had to drop messages it owed the service.
    bool BrokerDropped() const {
        return m_Broker.Log().find("being dropped for client TarnelSvc-bench") != std::string::npos;
    }

private:
    std::string m_strPath;
    int m_nStreams;
    bool m_bAllTopics;
    int m_nUpdateSeconds;
    MosquittoBroker m_Broker;
};

bool AnyMessage(const BenchMqttClient::Arrival& arrival) { return arrival.nCount > 0; }

// The client on the plant's broker, or null with the benchmark skipped.
std::unique_ptr<BenchMqttClient> PlantClient(const MqttPlant& plant, benchmark::State& bench) {
    auto client = std::make_unique<BenchMqttClient>(plant.Port(), kLimit);
    if (client->Connected() && plant.PublishNominalValues(*client)) return client;
    bench.SkipWithError("the benchmark's client cannot publish to the broker");
    return nullptr;
}

// ---- From a new pressure to the new Z ---------------------------------------------

constexpr auto kPeriod = 1000ms;
constexpr int kLatencySamples = 20;

void PublishToZLatency(benchmark::State& bench) {
    MqttPlant plant(1, false, 1);
    if (!plant.Start(bench)) return;
    const auto client = PlantClient(plant, bench);
    if (!client) return;
    const std::string strZ = Topic(0, "Z");
    if (!client->Subscribe(strZ, kLimit)) {
        bench.SkipWithError("no subscription to Z");
        return;
    }
    const auto service = plant.RunService();
    auto z = client->WaitFor(strZ, AnyMessage, kLimit);
    if (!z) {
        bench.SkipWithError(("TarnelSvc published no Z\n" + plant.ServiceLog()).c_str());
        return;
    }

    std::vector<double> latencies;
    double dPressure = kPressure;
    for (auto _ : bench) {
        // Z came just after the group's tick; a pause of a growing part of the
        // period makes the samples meet every phase of the next tick.
        std::this_thread::sleep_for(kPeriod * static_cast<int>(latencies.size()) / kLatencySamples);
        dPressure += 0.5;
        const auto sent = Clock::now();
        client->Publish(Topic(0, "P"), Text(dPressure), 1, true);
        const auto next = client->WaitFor(
            strZ, [&](const auto& arrival) { return arrival.payload != z->payload; }, kLimit);
        if (!next) {
            bench.SkipWithError("Z did not follow the new pressure");
            break;
        }
        const std::chrono::duration<double> latency = next->at - sent;
        bench.SetIterationTime(latency.count());
        latencies.push_back(latency.count() * 1000.0);
        z = next;
    }
    if (latencies.empty()) return;
    bench.counters["mean_ms"] =
        std::accumulate(latencies.begin(), latencies.end(), 0.0) / latencies.size();
    bench.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
    bench.counters["period_ms"] = std::chrono::duration<double, std::milli>(kPeriod).count();
}

BENCHMARK(PublishToZLatency)
    ->Iterations(kLatencySamples)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// ---- One data change over 1,000 streams in process ------------------------------------

constexpr int kStreams = 1000;
// The group's own timer stays quiet: the benchmark runs every period by hand.
constexpr int kNoTimerSeconds = 3600;

// The window object of a plant folder, started, on the MQTT provider.
struct MqttForm {
    explicit MqttForm(const MqttPlant& plant)
        : m_Provider{MqttServer::kProgID,
                     [this, &plant]() -> std::shared_ptr<OPCServer> {
                         mqtt = std::make_shared<MqttServer>(
                             m_Loop, MqttServer::Settings{plant.IniFile(), plant.Path()});
                         return mqtt;
                     }},
          form({m_Service, m_Window, AsioTimer::Factory(m_Loop), std::cout, [](int) {}, CreateGas,
                [this](const std::string&) {
                    return std::make_unique<OpcClient>(std::vector{m_Provider});
                }}) {
        form.Form_Load("-debug");
    }

    // Runs the loop until done holds; false when the limit passed first.
    bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = Clock::now() + kLimit;
        while (!done()) {
            if (Clock::now() > deadline) return false;
            if (m_Loop.stopped()) m_Loop.restart();
            m_Loop.run_one_for(100ms);
        }
        return true;
    }

    asio::io_context m_Loop;
    NoServiceControl m_Service;
    NoWindow m_Window;
    const OPCProvider m_Provider;
    std::shared_ptr<MqttServer> mqtt;
    frmMain form;
};

bool Holds(const ProviderItem* item, double dValue) {
    float rValue = 0;
    return SUCCEEDED(item->Value().ToSingle(rValue)) && rValue == static_cast<float>(dValue);
}

// An empty value converts to 0, as a variant does.
bool HasNumber(const ProviderItem* item) {
    float rValue = 0;
    return !item->Value().IsEmpty() && SUCCEEDED(item->Value().ToSingle(rValue));
}

bool EndsWith(const std::string& strText, const std::string& strEnd) {
    return strText.size() >= strEnd.size() &&
           strText.compare(strText.size() - strEnd.size(), strEnd.size(), strEnd) == 0;
}

void DataChange1000StreamsOverMqtt(benchmark::State& bench) {
    MqttPlant plant(kStreams, true, kNoTimerSeconds);
    if (!plant.Start(bench)) return;
    const auto client = PlantClient(plant, bench);
    if (!client) return;
    MqttForm loaded(plant);
    // The connect timer loads the configuration after the start-up delay.
    const auto group = [&]() -> std::shared_ptr<ProviderGroup> {
        if (!loaded.RunUntil([&] { return loaded.mqtt && loaded.mqtt->Groups(); })) return nullptr;
        return loaded.mqtt->Groups()->Find("Group1");
    }();
    if (!group || loaded.form.StreamCount() != kStreams) {
        bench.SkipWithError(("the streams were not loaded\n" + plant.ServiceLog()).c_str());
        return;
    }
    std::shared_ptr<OPCItems> collection;
    group->get_OPCItems(collection);
    std::vector<const ProviderItem*> inputs, pressures;
    for (auto& [nHandle, item] : std::static_pointer_cast<ProviderItems>(collection)->Items()) {
        if (EndsWith(item->Name(), "/Z") || EndsWith(item->Name(), "/Status")) continue;
        inputs.push_back(item.get());
        if (EndsWith(item->Name(), "/P")) pressures.push_back(item.get());
    }
    const frmMain& form = loaded.form;
    const auto& streams = form.Streams();
    auto allRunning = [&] {
        return std::all_of(streams.begin(), streams.end(),
                           [](const auto& stream) { return stream->Status() == 1; });
    };
    // The retained values arrive; the first change starts every stream.
    if (!loaded.RunUntil([&] { return std::all_of(inputs.begin(), inputs.end(), HasNumber); })) {
        const auto arrived = std::count_if(inputs.begin(), inputs.end(), HasNumber);
        bench.SkipWithError(("only " + std::to_string(arrived) + " of " +
                             std::to_string(inputs.size()) + " retained values arrived")
                                .c_str());
        return;
    }
    group->Update(Clock::now());
    if (!allRunning()) {
        bench.SkipWithError("not every stream runs");
        return;
    }

    double dPressure = kPressure;
    for (auto _ : bench) {
        bench.PauseTiming();
        // A new pressure for every stream, so that every Z changes and is written.
        dPressure = dPressure == kPressure ? kPressure + 1 : kPressure;
        for (int i = 0; i < kStreams; ++i) {
            client->Publish(Topic(i, "P"), Text(dPressure), 1, true);
        }
        const bool bArrived = loaded.RunUntil([&] {
            return std::all_of(pressures.begin(), pressures.end(),
                               [&](const ProviderItem* item) { return Holds(item, dPressure); });
        });
        if (!bArrived) {
            bench.SkipWithError("the new pressures did not all arrive");
            break;
        }
        bench.ResumeTiming();
        group->Update(Clock::now());
    }
    const TarnelTag& last = *streams.Item("S-" + std::to_string(kStreams - 1));
    if (last.P() != static_cast<float>(dPressure) || !allRunning()) {
        bench.SkipWithError("the change did not reach the last stream");
    }
    bench.SetItemsProcessed(bench.iterations() * kStreams);
}

BENCHMARK(DataChange1000StreamsOverMqtt)->Unit(benchmark::kMillisecond);

// ---- Resident memory across a flood -----------------------------------------------------

constexpr int kFloodStreams = 200;
constexpr int kFloodMessages = 100000;
constexpr double kMarkerPressure = 60.0;

void FloodResidentMemory(benchmark::State& bench) {
    MqttPlant plant(kFloodStreams, true, 1);
    if (!plant.Start(bench)) return;
    const auto client = PlantClient(plant, bench);
    if (!client) return;
    if (!client->Subscribe("plant/+/Z", kLimit)) {
        bench.SkipWithError("no subscription to Z");
        return;
    }
    const auto service = plant.RunService();
    for (int i = 0; i < kFloodStreams; ++i) {
        if (!client->WaitFor(Topic(i, "Z"), AnyMessage, kLimit)) {
            bench.SkipWithError(
                ("TarnelSvc did not start every stream\n" + plant.ServiceLog()).c_str());
            return;
        }
    }
    // The Z of the marker pressure, every other input nominal; then back to nominal.
    const std::string strP = Topic(0, "P"), strZ = Topic(0, "Z");
    const std::string strNominalZ = client->Latest(strZ).payload;
    auto changeTo = [&](double dValue, const std::function<bool(const std::string&)>& wanted) {
        const auto nCount = client->Latest(strZ).nCount;
        client->Publish(strP, Text(dValue), 1, true);
        const auto z = client->WaitFor(
            strZ, [&](const auto& a) { return a.nCount > nCount && wanted(a.payload); }, kLimit);
        return z ? z->payload : std::string();
    };
    const std::string strMarkerZ =
        changeTo(kMarkerPressure, [&](const std::string& z) { return z != strNominalZ; });
    if (strMarkerZ.empty() ||
        changeTo(kPressure, [&](const std::string& z) { return z == strNominalZ; }).empty()) {
        bench.SkipWithError("Z did not follow the marker pressure");
        return;
    }

    double dBefore = -1, dAfter = -1, dSeconds = 0;
    for (auto _ : bench) {
        dBefore = ResidentMegabytes(service->Pid());
        const auto start = Clock::now();
        // Round-robin over every input topic; pressures move, the others keep
        // their values, so the marker's Z is known beforehand.
        for (int k = 0; k < kFloodMessages; ++k) {
            const int nTopic = k % (kFloodStreams * 5);
            const Input& input = kInputs[nTopic % 5];
            const double dValue = nTopic % 5 == 0
                                      ? kPressure + 0.01 * (k / (kFloodStreams * 5) % 100)
                                      : input.dNominal;
            client->Publish(Topic(nTopic / 5, input.name), Text(dValue), 0, false);
        }
        // Behind the flood on the same connection: once its Z is back, the
        // service has read everything before it.
        if (changeTo(kMarkerPressure, [&](const std::string& z) {
                return z == strMarkerZ;
            }).empty()) {
            bench.SkipWithError("the service did not work through the flood");
            break;
        }
        dSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        dAfter = ResidentMegabytes(service->Pid());
    }
    if (dBefore < 0 || dAfter < 0) return;
    bench.counters["RSS_before_MB"] = dBefore;
    bench.counters["RSS_after_MB"] = dAfter;
    bench.counters["RSS_delta_MB"] = dAfter - dBefore;
    bench.counters["flood_s"] = dSeconds;
    bench.counters["broker_dropped"] = plant.BrokerDropped() ? 1 : 0;
}

BENCHMARK(FloodResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnel
