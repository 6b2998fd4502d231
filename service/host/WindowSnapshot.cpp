#include "service/host/WindowSnapshot.h"

#include <cstdio>

namespace tarnel {

namespace {

std::string Html(Colour c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.Red, c.Green, c.Blue);
    return text;
}

}  // namespace

nlohmann::json WindowSnapshot::ToJson() const {
    nlohmann::json controls = nlohmann::json::object();
    for (const auto& [name, control] : Controls) {
        controls[name] = {{"text", control.Text},
                          {"visible", control.Visible},
                          {"foreColor", Html(control.ForeColor)},
                          {"backColor", Html(control.BackColor)}};
    }
    controls["fraCalc"] = {{"caption", FrameCaption}, {"visible", true}};
    controls["chkCanClose"] = {
        {"caption", CheckBoxCaption}, {"value", CanClose}, {"visible", true}};
    controls["listCalcs"] = {{"items", Streams}, {"selected", Selected}, {"visible", true}};
    return {{"caption", Caption}, {"controls", controls}};
}

}  // namespace tarnel
