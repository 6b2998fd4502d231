#pragma once
#include <cstdint>
#include <string>

namespace tarnel {

// An RGB colour as the window's controls use it.
struct Colour {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const Colour&) const = default;
};

constexpr Colour kBlack{0, 0, 0};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlue{0, 0, 255};
constexpr Colour kRed{255, 0, 0};
// The window's own background (the toolkit's button face).
constexpr Colour kWindowBackground{240, 240, 240};

// One control of the window as the status page renders it: a label or a text
// box, with its text, whether it is shown, and its colours.
struct Control {
    std::string Text;
    bool Visible = true;
    Colour ForeColor = kBlack;
    Colour BackColor = kWhite;
    bool operator==(const Control&) const = default;
};

}  // namespace tarnel
