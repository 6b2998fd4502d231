#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnel {

class TarnelTag;
struct StreamServices;

// A critical constant or acentric factor: a number, or the item that carries it.
struct ConstantOrItem {
    double Value = 0.0;
    std::string Item;
    bool IsConstant() const { return Item.empty(); }
};

// One line of the stream-definition file, checked: the fields, whether the
// line defines a stream, and the log lines it gives (in field order).
struct StreamDefinition {
    std::string Name;
    std::string TagP, TagT, TagZ, TagStatus;
    ConstantOrItem Pcrit, Tcrit, Acentric;
    std::string EuPressure, EuTemperature;
    std::string Description;
    bool Valid = true;
    std::vector<std::string> Messages;

    // field(i) is field i of the line, empty when missing; nAccepted is the
    // number of streams accepted before this line (it names an unnamed one).
    static StreamDefinition Read(const std::function<std::string(std::int32_t)>& field,
                                 std::int32_t nAccepted);

    // The stream of a valid line. Its item names are registered in the order
    // the loader registers them (P, T, Z, status, Pc, Tc, acentric factor);
    // registerItem returns each name's item index.
    std::unique_ptr<TarnelTag> MakeStream(
        const StreamServices& services,
        const std::function<std::int32_t(const std::string&)>& registerItem) const;
};

}  // namespace tarnel
