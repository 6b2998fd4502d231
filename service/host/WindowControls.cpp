#include "service/host/WindowControls.h"

#include <utility>

#include "service/host/DisplayFormat.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {

namespace {

using Member = Control WindowControls::*;

// The controls in the order the page lays them out, with their names.
const std::pair<const char*, Member> kControls[] = {
    {"lblServer", &WindowControls::lblServer},
    {"txtServer", &WindowControls::txtServer},
    {"lblNode", &WindowControls::lblNode},
    {"txtNode", &WindowControls::txtNode},
    {"lblStatus", &WindowControls::lblStatus},
    {"txtStatus", &WindowControls::txtStatus},
    {"lblPressure", &WindowControls::lblPressure},
    {"txtPtag", &WindowControls::txtPtag},
    {"txtP", &WindowControls::txtP},
    {"txtPeu", &WindowControls::txtPeu},
    {"lblTemperature", &WindowControls::lblTemperature},
    {"txtTtag", &WindowControls::txtTtag},
    {"txtT", &WindowControls::txtT},
    {"txtTeu", &WindowControls::txtTeu},
    {"lblPcrit", &WindowControls::lblPcrit},
    {"txtPcTag", &WindowControls::txtPcTag},
    {"txtPcrit", &WindowControls::txtPcrit},
    {"txtPcriteu", &WindowControls::txtPcriteu},
    {"lblTcrit", &WindowControls::lblTcrit},
    {"txtTcTag", &WindowControls::txtTcTag},
    {"txtTcrit", &WindowControls::txtTcrit},
    {"txtTcriteu", &WindowControls::txtTcriteu},
    {"lblAcentric", &WindowControls::lblAcentric},
    {"txtAcentricTag", &WindowControls::txtAcentricTag},
    {"txtAcentric", &WindowControls::txtAcentric},
    {"lblZ", &WindowControls::lblZ},
    {"txtZtag", &WindowControls::txtZtag},
    {"txtZ", &WindowControls::txtZ},
    {"txtZStatus", &WindowControls::txtZStatus},
    {"lblVapourVol", &WindowControls::lblVapourVol},
    {"txtVapourVol", &WindowControls::txtVapourVol},
    {"lblVapourUnit", &WindowControls::lblVapourUnit},
    {"lblLiquidVol", &WindowControls::lblLiquidVol},
    {"txtLiquidVol", &WindowControls::txtLiquidVol},
    {"lblLiquidUnit", &WindowControls::lblLiquidUnit},
};

Control Label(const char* strCaption) {
    return Control{strCaption, true, kBlack, kWindowBackground};
}

Control Text(const char* strText) { return Control{strText, true, kBlack, kWhite}; }

// Shows the item name, or hides the field when there is none.
void ShowTag(Control& field, const std::string& strTag) {
    field.Visible = !strTag.empty();
    if (field.Visible) field.Text = strTag;
}

std::string BadOr(bool bBad, double dValue, int nDecimals) {
    return bBad ? "---" : FormatFixed(dValue, nDecimals);
}

std::string Volume(double dValue) {
    return dValue > 0 ? FormatFixed(dValue, 3) : FormatPlain(dValue);
}

}  // namespace

WindowControls::WindowControls()
    : Caption("Orrin - Gas Compressibility Factor OPC Client Service"),
      lblServer(Label("OPC Server")),
      lblNode(Label("Machine")),
      lblStatus(Label("Status:")),
      txtStatus(Text("Status")),
      lblPressure(Label("Pressure")),
      txtP(Text("0")),
      txtPeu(Text("bar")),
      lblTemperature(Label("Temperature")),
      txtT(Text("0")),
      txtTeu(Text("K")),
      lblPcrit(Label("Critical Pressure")),
      txtPcrit(Text("0")),
      txtPcriteu(Text("bar")),
      lblTcrit(Label("Critical Temperature")),
      txtTcrit(Text("0")),
      txtTcriteu(Text("K")),
      lblAcentric(Label("Acentric Factor")),
      txtAcentric(Text("0")),
      lblZ(Label("Compressibility Factor")),
      txtZ(Text("0")),
      lblVapourVol(Label("Vapour Volume")),
      txtVapourVol(Text("0")),
      lblVapourUnit(Label("cm3/mol")),
      lblLiquidVol(Label("Liquid Volume")),
      txtLiquidVol(Text("0")),
      lblLiquidUnit(Label("cm3/mol")),
      chkCanCloseCaption("Allow user to abort service") {}

void WindowControls::ShowDefinition(const TarnelTag& stream) {
    fraCalc = stream.Description();
    txtPtag.Text = stream.TagP();
    txtTtag.Text = stream.TagT();
    ShowTag(txtPcTag, stream.TagPc());
    ShowTag(txtTcTag, stream.TagTc());
    ShowTag(txtAcentricTag, stream.TagAcentric());
    ShowTag(txtZtag, stream.TagZ());
    txtPeu.Text = stream.EuPressure();
    txtTeu.Text = stream.EuTemperature();
    txtPcriteu.Text = stream.EuPcrit();
    txtTcriteu.Text = stream.EuTcrit();
}

void WindowControls::ShowValues(const TarnelTag& stream) {
    const float p = stream.P();
    const int nPressureDecimals = p > 1000 ? 1 : p > 100 ? 2 : 3;
    txtP.Text = BadOr(stream.IsBadP(), p, nPressureDecimals);
    txtT.Text = BadOr(stream.IsBadT(), stream.T(), 2);
    txtPcrit.Text = BadOr(stream.IsBadPc(), stream.Pcrit(), 2);
    txtTcrit.Text = BadOr(stream.IsBadTc(), stream.Tcrit(), 2);
    txtAcentric.Text = BadOr(stream.IsBadAcentric(), stream.AcentricFactor(), 4);
    txtZ.Text = FormatFixed(stream.Z(), 4);
    txtVapourVol.Text = Volume(stream.VapourVol());
    txtLiquidVol.Text = Volume(stream.LiquidVol());
    txtZStatus.Text = stream.Status() == 1 ? "OK" : "Error";
}

std::shared_ptr<const WindowSnapshot> WindowControls::Snapshot() const {
    auto snapshot = std::make_shared<WindowSnapshot>();
    snapshot->Caption = Caption;
    snapshot->Controls.reserve(std::size(kControls));
    for (const auto& [name, member] : kControls)
        snapshot->Controls.emplace_back(name, this->*member);
    snapshot->FrameCaption = fraCalc;
    snapshot->CheckBoxCaption = chkCanCloseCaption;
    snapshot->CanClose = chkCanClose;
    snapshot->Streams = listCalcs;
    snapshot->Selected = listCalcsIndex;
    return snapshot;
}

}  // namespace tarnel
