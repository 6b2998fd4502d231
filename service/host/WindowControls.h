#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "service/host/Control.h"
#include "service/host/WindowSnapshot.h"

namespace tarnel {

class TarnelTag;

// Every control of the status window with its design-time text, visibility and
// colours. The window object changes them; Snapshot() copies them for the page.
class WindowControls {
public:
    WindowControls();

    // Fills the frame's name and unit fields for a stream.
    void ShowDefinition(const TarnelTag& stream);
    // Fills the frame's value fields for a stream; may throw what the
    // stream's bad-value tests throw, leaving the fields filled so far.
    void ShowValues(const TarnelTag& stream);

    std::shared_ptr<const WindowSnapshot> Snapshot() const;

    std::string Caption;

    Control lblServer, txtServer, lblNode, txtNode, lblStatus, txtStatus;
    Control lblPressure, txtPtag, txtP, txtPeu;
    Control lblTemperature, txtTtag, txtT, txtTeu;
    Control lblPcrit, txtPcTag, txtPcrit, txtPcriteu;
    Control lblTcrit, txtTcTag, txtTcrit, txtTcriteu;
    Control lblAcentric, txtAcentricTag, txtAcentric;
    Control lblZ, txtZtag, txtZ, txtZStatus;
    Control lblVapourVol, txtVapourVol, lblVapourUnit;
    Control lblLiquidVol, txtLiquidVol, lblLiquidUnit;

    std::string fraCalc;
    std::string chkCanCloseCaption;
    bool chkCanClose = false;
    std::vector<std::string> listCalcs;
    std::int32_t listCalcsIndex = -1;
};

}  // namespace tarnel
