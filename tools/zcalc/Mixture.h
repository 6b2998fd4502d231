#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/zcalc/CriticalConstants.h"
#include "tools/zcalc/PureGas.h"

namespace tarnel {

// A gas mixture of the built-in gases by mole fraction.
class Mixture {
public:
    struct Part {
        const PureGas* Gas;
        double Fraction;
    };

    // Reads "name=fraction,name=fraction,..." (blanks around names and numbers
    // allowed). Nothing, with the reason in error, when a part is not a known
    // gas with a finite fraction of 0 or more, a gas is named twice, or the
    // fractions sum to 0.
    static std::optional<Mixture> Parse(std::string_view text, std::string& error);

    const std::vector<Part>& Parts() const { return m_Parts; }
    double Sum() const;
    // Scales the fractions so that they sum to 1.
    void Normalise();

    // Kay's rule: the mole-fraction-weighted critical temperature and pressure
    // (the pseudo-critical constants) and acentric factor, from the published values.
    CriticalConstants PseudoCritical() const;

    // "methane 0.9 ethane 0.1": the parts, without commas.
    std::string Description() const;

private:
    static std::optional<Part> ParsePart(std::string_view text, std::string& error);

    std::vector<Part> m_Parts;
};

}  // namespace tarnel
