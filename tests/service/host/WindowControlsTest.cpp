#include <gtest/gtest.h>

#include <limits>

#include "eos/Gas.h"
#include "service/host/WindowControls.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {
namespace {

class WindowControlsTest : public ::testing::Test {
protected:
    WindowControlsTest() {
        services.gas = &gas;
        services.badValueHelper = &helper;
        stream.TagName("NG");
        stream.TagP("PT-1");
        stream.IndexP(0);
        stream.TagT("TT-1");
        stream.IndexT(1);
        stream.EuPressure("bara");
        stream.EuTemperature("deg C");
        stream.Pcrit(45.99);
        stream.Tcrit(190.56);
        stream.AcentricFactor(0.011);
    }
    void Feed(float p, float t) {
        stream.UpdateFromClient(0, p, 192);
        stream.UpdateFromClient(1, t, 192);
    }

    Gas gas;
    BadValueHelper helper;
    StreamServices services;
    TarnelTag stream{services};
    WindowControls controls;
};

TEST_F(WindowControlsTest, DesignTimeTexts) {
    EXPECT_EQ(controls.txtStatus.Text, "Status");
    EXPECT_EQ(controls.txtPeu.Text, "bar");
    EXPECT_EQ(controls.txtTcriteu.Text, "K");
    EXPECT_EQ(controls.txtLiquidVol.Text, "0");
    EXPECT_EQ(controls.lblVapourUnit.Text, "cm3/mol");
    EXPECT_FALSE(controls.chkCanClose);
    const auto snapshot = controls.Snapshot();
    EXPECT_EQ(snapshot->Controls.size(), 35u);
    EXPECT_EQ(snapshot->Selected, -1);
}

TEST_F(WindowControlsTest, PressureDecimalsDependOnItsSize) {
    const std::pair<float, const char*> cases[] = {{1000.0f, "1000.00"}, {1000.5f, "1000.5"},
                                                   {100.0f, "100.000"},  {100.5f, "100.50"},
                                                   {0.0f, "0.000"},      {-1.5f, "-1.500"}};
    for (const auto& [p, text] : cases) {
        Feed(p, 15);
        stream.CalculateZ();
        controls.ShowValues(stream);
        EXPECT_EQ(controls.txtP.Text, text) << p;
    }
}

TEST_F(WindowControlsTest, ValuesOfACalculatedStream) {
    stream.EuPressure("bar");
    Feed(0.0f, 15.0f);
    stream.CalculateZ();
    controls.ShowDefinition(stream);
    controls.ShowValues(stream);
    EXPECT_EQ(controls.fraCalc, "");
    EXPECT_EQ(controls.txtPeu.Text, "bar (g)");
    EXPECT_FALSE(controls.txtPcTag.Visible);
    EXPECT_FALSE(controls.txtZtag.Visible);
    EXPECT_EQ(controls.txtT.Text, "15.00");
    EXPECT_EQ(controls.txtPcrit.Text, "45.99");
    EXPECT_EQ(controls.txtTcrit.Text, "190.56");
    EXPECT_EQ(controls.txtAcentric.Text, "0.0110");
    EXPECT_EQ(controls.txtZ.Text, "0.9975");
    EXPECT_EQ(controls.txtVapourVol.Text, "23585.537");
    EXPECT_EQ(controls.txtLiquidVol.Text, "0");
    EXPECT_EQ(controls.txtZStatus.Text, "OK");
}

TEST_F(WindowControlsTest, BadValuesShowDashesAndNoZShowsMinusOne) {
    Feed(std::numeric_limits<float>::quiet_NaN(), 15.0f);
    stream.CalculateZ();
    controls.ShowValues(stream);
    EXPECT_EQ(controls.txtP.Text, "---");
    EXPECT_EQ(controls.txtZ.Text, "-1.0000");
    EXPECT_EQ(controls.txtVapourVol.Text, "-1");
    EXPECT_EQ(controls.txtZStatus.Text, "Error");
}

TEST_F(WindowControlsTest, LiquidRootShowsBothVolumes) {
    stream.Pcrit(42.48);
    stream.Tcrit(369.83);
    stream.AcentricFactor(0.152);
    stream.EuTemperature("K");
    Feed(10.0f, 300.0f);
    stream.CalculateZ();
    controls.ShowValues(stream);
    EXPECT_EQ(controls.txtZ.Text, "-1.0000");
    EXPECT_EQ(controls.txtLiquidVol.Text, "86.768");
    EXPECT_EQ(controls.txtZStatus.Text, "Error");
}

TEST_F(WindowControlsTest, MissingBadValueHelperStopsAtTheFirstTest) {
    services.badValueHelper = nullptr;
    controls.txtT.Text = "before";
    EXPECT_THROW(controls.ShowValues(stream), std::exception);
    EXPECT_EQ(controls.txtT.Text, "before");
}

}  // namespace
}  // namespace tarnel
