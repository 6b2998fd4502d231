#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "eos/Gas.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {
namespace {

using Writes = std::vector<std::pair<std::string, float>>;

// A stream with numeric constants, its P and T fed from items 0 and 1.
class StreamCalculation : public ::testing::Test {
protected:
    StreamCalculation() {
        services.gas = &gas;
        services.badValueHelper = &helper;
        services.writeTarnel = [this](const std::string& tag, float v) {
            writes.emplace_back(tag, v);
        };
        tag.TagZ("Z1");
        tag.TagStatus("S1");
        tag.IndexP(0);
        tag.IndexT(1);
    }

    void Define(const char* pUnit, const char* tUnit, double pc, double tc, double omega) {
        tag.EuPressure(pUnit);
        tag.EuTemperature(tUnit);
        tag.Pcrit(pc);
        tag.Tcrit(tc);
        tag.AcentricFactor(omega);
    }

    void Feed(float p, float t, std::int32_t qualityP = 192, std::int32_t qualityT = 192) {
        tag.UpdateFromClient(0, p, qualityP);
        tag.UpdateFromClient(1, t, qualityT);
    }

    Gas gas;
    BadValueHelper helper;
    Writes writes;
    StreamServices services;
    TarnelTag tag{services};
};

TEST_F(StreamCalculation, MethaneAtStandardConditions) {
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    Feed(0, 15);
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), 1);
    EXPECT_NEAR(tag.Z(), 0.997488, 5e-7);
    EXPECT_NEAR(tag.VapourVol(), 23585.54, 5e-3);
    EXPECT_EQ(tag.LiquidVol(), 0.0);
    EXPECT_EQ(writes, (Writes{{"Z1", tag.Z()}, {"S1", 1.0f}}));
}

TEST_F(StreamCalculation, GaugePsiAndFahrenheitWithRankineCritical) {
    Define("psig", "deg F", 667, 343, 0.011);
    Feed(500, 60);
    tag.CalculateZ();
    EXPECT_NEAR(tag.PressureBarA(), 35.487045, 5e-7);
    EXPECT_NEAR(tag.TemperatureK(), 288.7056, 5e-5);
    EXPECT_NEAR(tag.PcritBar(), 45.988043, 5e-7);
    EXPECT_NEAR(tag.TcritK(), 190.5556, 5e-5);
    EXPECT_EQ(tag.Status(), 1);
    EXPECT_NEAR(tag.Z(), 0.917316, 5e-7);
    EXPECT_NEAR(tag.VapourVol(), 620.498, 5e-4);
}

TEST_F(StreamCalculation, LiquidRootWithholdsZ) {
    Define("bara", "K", 42.48, 369.83, 0.152);
    Feed(10, 300);
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), -5);
    EXPECT_EQ(tag.Z(), -1.0f);
    EXPECT_NEAR(tag.VapourVol(), 2031.96, 5e-3);
    EXPECT_NEAR(tag.LiquidVol(), 86.768, 5e-4);
    EXPECT_EQ(writes, (Writes{{"S1", -5.0f}}));
}

// Before the Newton cap was raised, this low-pressure vapour state stopped
// short of its root and reported Z 1.0000975 with status 1.
TEST_F(StreamCalculation, LowPressureVapourConverges) {
    Define("bara", "K", 45.99, 190.56, 0.011);
    Feed(0.3f, 288.15f);
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), 1);
    EXPECT_NEAR(tag.Z(), 0.9992555, 5e-7);
}

TEST_F(StreamCalculation, ConvergesOverThePlantRange) {
    Define("bara", "K", 45.99, 190.56, 0.011);
    Gas reference;
    reference.put_MaxIterations(30);
    reference.put_MinAccuracy(1e-12);
    reference.put_Pcrit_barA(45.99);
    reference.put_Tcrit_K(190.56);
    reference.put_AcentricFactor(0.011);
    for (float p : {0.03f, 0.3f, 3.0f, 30.0f, 100.0f, 300.0f}) {
        for (float t : {200.0f, 300.0f, 500.0f, 800.0f}) {
            Feed(p, t);
            tag.CalculateZ();
            reference.put_P_barA(p);
            reference.put_T_K(t);
            double z = 0;
            reference.get_Z(&z);
            EXPECT_EQ(tag.Status(), 1) << p << " bar " << t << " K";
            EXPECT_NEAR(tag.Z(), z, 1e-5 * z) << p << " bar " << t << " K";
        }
    }
}

struct EarlyExit {
    const char* what;
    float p, t;
    std::int32_t qualityP, qualityT;
    double pcrit;
    std::int32_t status;
    bool keepsResults;
};

TEST_F(StreamCalculation, InputsThatStopTheCalculation) {
    const EarlyExit cases[] = {
        {"uncertain pressure passes", 0, 15, 64, 192, 45.99, 1, false},
        {"bad pressure", 0, 15, 0, 192, 45.99, -2, true},
        {"bad pressure, sub-status", 0, 15, 24, 192, 45.99, -2, true},
        {"good and uncertain bits do not mix", 0, 15, 128, 64, 45.99, -2, true},
        {"gauge pressure below vacuum", -1.5f, 15, 192, 192, 45.99, -3, false},
        {"temperature below absolute zero", 0, -300, 192, 192, 45.99, -4, false},
    };
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    for (const EarlyExit& c : cases) {
        Feed(0, 15);
        tag.CalculateZ();  // a good result to hold or to lose
        const float z = tag.Z();
        writes.clear();
        Feed(c.p, c.t, c.qualityP, c.qualityT);
        tag.CalculateZ();
        EXPECT_EQ(tag.Status(), c.status) << c.what;
        if (c.status == 1) continue;
        EXPECT_EQ(tag.Z(), c.keepsResults ? z : -1.0f) << c.what;
        EXPECT_EQ(writes, (Writes{{"S1", static_cast<float>(c.status)}})) << c.what;
    }
}

TEST_F(StreamCalculation, FreshStreamWaitsForGoodInputs) {
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), -2);
    EXPECT_EQ(tag.Z(), -1.0f);
    EXPECT_EQ(writes, (Writes{{"S1", -2.0f}}));
}

TEST_F(StreamCalculation, BadCriticalConstantComesBeforeTheQualityTest) {
    tag.EuTemperature("deg F");
    tag.Pcrit(45.99);
    tag.Tcrit(std::numeric_limits<double>::infinity());  // conversion fault
    Feed(0, 15, 0, 0);
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), -1);
    EXPECT_EQ(tag.VapourVol(), -1.0);
}

TEST_F(StreamCalculation, ZIsWrittenOnlyWhenItMoves) {
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    Feed(0, 15);
    tag.CalculateZ();
    tag.CalculateZ();
    EXPECT_EQ(writes, (Writes{{"Z1", tag.Z()}, {"S1", 1.0f}, {"S1", 1.0f}}));

    tag.TagStatus("");
    writes.clear();
    Feed(0.0001f, 15);  // Z moves by far less than the threshold
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), 1);
    EXPECT_TRUE(writes.empty());
}

// The component refuses a zero critical pressure; the volumes it still holds
// belong to the previous stream's evaluation and must not be taken over.
TEST_F(StreamCalculation, RefusedInputsDoNotInheritAnotherStreamsVolumes) {
    TarnelTag other(services);
    other.EuPressure("bara");
    other.EuTemperature("K");
    other.Pcrit(42.48);
    other.Tcrit(369.83);
    other.AcentricFactor(0.152);
    other.IndexP(0);
    other.IndexT(1);
    other.UpdateFromClient(0, 5, 192);
    other.UpdateFromClient(1, 400, 192);
    other.CalculateZ();
    ASSERT_EQ(other.Status(), 1);

    Define("bara", "K", 0.0, 190.56, 0.011);
    Feed(10, 300);
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), -5);
    EXPECT_EQ(tag.Z(), -1.0f);
    EXPECT_EQ(tag.VapourVol(), -1.0);
    EXPECT_EQ(tag.LiquidVol(), -1.0);
}

class FailingGas : public Gas {
public:
    HRESULT get_Z(double*) override { return E_FAIL; }
};

TEST_F(StreamCalculation, FailuresInvalidateAndWriteNothing) {
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    Feed(0, 15);
    FailingGas failing;
    const std::pair<const char*, std::function<void()>> failures[] = {
        {"no Gas object", [&] { services.gas = nullptr; }},
        {"a Gas call fails", [&] { services.gas = &failing; }},
        {"no BadValueHelper", [&] { services.badValueHelper = nullptr; }},
    };
    for (const auto& [what, arrange] : failures) {
        services.gas = &gas;
        services.badValueHelper = &helper;
        arrange();
        writes.clear();
        tag.CalculateZ();
        EXPECT_EQ(tag.Status(), -6) << what;
        EXPECT_EQ(tag.Z(), -1.0f) << what;
        EXPECT_EQ(tag.VapourVol(), -1.0) << what;
        EXPECT_TRUE(writes.empty()) << what;
    }

    services.gas = &gas;
    services.badValueHelper = &helper;
    services.writeTarnel = [](const std::string&, float) { throw std::runtime_error("refused"); };
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), -6);
}

TEST_F(StreamCalculation, HoldsTheSharedGasOnlyDuringTheCall) {
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    Feed(0, 15);
    FailingGas failing;
    for (Gas* shared : {static_cast<Gas*>(&gas), static_cast<Gas*>(&failing)}) {
        services.gas = shared;
        const ULONG before = shared->AddRef();
        tag.CalculateZ();
        EXPECT_EQ(shared->Release(), before - 1) << "status " << tag.Status();
    }
}

TEST_F(StreamCalculation, BadValueInputIsCaughtByTheResultChecks) {
    Define("bar", "deg C", 45.99, 190.56, 0.011);
    Feed(helper.BadValue(), 15, 64, 192);
    EXPECT_TRUE(tag.IsBadP());
    EXPECT_FALSE(tag.IsBadT());
    tag.CalculateZ();
    EXPECT_EQ(tag.Status(), -3);
}

}  // namespace
}  // namespace tarnel
