#include "tools/zcalc/Mixture.h"

#include <charconv>
#include <cmath>

#include "tools/zcalc/Digits.h"

namespace tarnel {

namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::optional<double> Fraction(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<Mixture> Mixture::Parse(std::string_view text, std::string& error) {
    Mixture mixture;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const auto part = ParsePart(text.substr(start, comma - start), error);
        if (!part) return std::nullopt;
        for (const Part& known : mixture.m_Parts) {
            if (known.Gas == part->Gas) {
                error = std::string(part->Gas->Name) + " is given twice";
                return std::nullopt;
            }
        }
        mixture.m_Parts.push_back(*part);
        start = comma + 1;
    }
    if (!(mixture.Sum() > 0)) {
        error = "the fractions sum to 0";
        return std::nullopt;
    }
    return mixture;
}

std::optional<Mixture::Part> Mixture::ParsePart(std::string_view text, std::string& error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        error = "the part \"" + std::string(text) + "\" is not name=fraction";
        return std::nullopt;
    }
    const std::string_view name = Trim(text.substr(0, equals));
    const PureGas* gas = FindPureGas(name);
    if (gas == nullptr) {
        error = UnknownGasMessage(name);
        return std::nullopt;
    }
    const std::string_view number = Trim(text.substr(equals + 1));
    const auto fraction = Fraction(number);
    if (!fraction || *fraction < 0) {
        error = std::string(gas->Name) + ": the fraction \"" + std::string(number) +
                "\" is not a number of 0 or more";
        return std::nullopt;
    }
    return Part{gas, *fraction};
}

double Mixture::Sum() const {
    double sum = 0;
    for (const Part& part : m_Parts) sum += part.Fraction;
    return sum;
}

void Mixture::Normalise() {
    const double sum = Sum();
    for (Part& part : m_Parts) part.Fraction /= sum;
}

CriticalConstants Mixture::PseudoCritical() const {
    CriticalConstants mixed;
    for (const Part& part : m_Parts) {
        mixed.Tcrit_K += part.Fraction * part.Gas->Published.Tcrit_K;
        mixed.Pcrit_barA += part.Fraction * part.Gas->Published.Pcrit_barA;
        mixed.AcentricFactor += part.Fraction * part.Gas->Published.AcentricFactor;
    }
    return mixed;
}

std::string Mixture::Description() const {
    std::string text;
    for (const Part& part : m_Parts) {
        if (!text.empty()) text += ' ';
        text.append(part.Gas->Name).append(" ").append(Digits(part.Fraction, 10));
    }
    return text;
}

}  // namespace tarnel
