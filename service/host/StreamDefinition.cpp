#include "service/host/StreamDefinition.h"

#include "service/base/Numeric.h"
#include "service/streams/TarnelTag.h"

namespace tarnel {

namespace {

// A required field that is empty rejects the line with its message.
void Require(StreamDefinition& def, const std::string& strValue, const char* strMessage) {
    if (!strValue.empty()) return;
    def.Valid = false;
    def.Messages.push_back(def.Name + strMessage);
}

void Warn(StreamDefinition& def, const std::string& strValue, const char* strMessage) {
    if (strValue.empty()) def.Messages.push_back(def.Name + strMessage);
}

ConstantOrItem ReadConstantOrItem(StreamDefinition& def, const std::string& strValue,
                                  const char* strMessage) {
    Require(def, strValue, strMessage);
    if (const auto number = ParseNumber(strValue)) return {*number, ""};
    return {0.0, strValue};
}

}  // namespace

StreamDefinition StreamDefinition::Read(const std::function<std::string(std::int32_t)>& field,
                                        std::int32_t nAccepted) {
    StreamDefinition def;
    def.Name = field(0);
    if (def.Name.empty()) def.Name = "Stream " + std::to_string(nAccepted + 1);

    def.TagP = field(1);
    def.TagT = field(2);
    def.TagZ = field(3);
    Require(def, def.TagP, ": Pressure Tag Not Specified");
    Require(def, def.TagT, ": Temperature Tag Not Specified");
    Warn(def, def.TagZ, ": Warning - Compressibility Tag Not Specified");

    def.Pcrit = ReadConstantOrItem(def, field(4), ": Critical Pressure (Pc) Not Specified");
    def.Tcrit = ReadConstantOrItem(def, field(5), ": Critical Temperature (Tc) Not Specified");
    def.Acentric = ReadConstantOrItem(def, field(6), ": Acentric Factor (Tc) Not Specified");

    def.EuPressure = field(7);
    def.EuTemperature = field(8);
    def.TagStatus = field(9);
    Require(def, def.EuPressure, ": Engineering Units (Pressure) Not Specified");
    Require(def, def.EuTemperature, ": Engineering Units (Temperature) Not Specified");
    Warn(def, def.TagStatus, ": Warning - Status Tag Not Specified");

    def.Description = field(10);
    if (def.Description.empty()) def.Description = def.Name;
    return def;
}

std::unique_ptr<TarnelTag> StreamDefinition::MakeStream(
    const StreamServices& services,
    const std::function<std::int32_t(const std::string&)>& registerItem) const {
    auto stream = std::make_unique<TarnelTag>(services);
    stream->TagName(Name);
    stream->TagP(TagP);
    stream->IndexP(registerItem(TagP));
    stream->EuPressure(EuPressure);
    stream->TagT(TagT);
    stream->IndexT(registerItem(TagT));
    stream->EuTemperature(EuTemperature);
    // An empty Z item name is registered like any other.
    stream->TagZ(TagZ);
    registerItem(TagZ);
    if (!TagStatus.empty()) {
        stream->TagStatus(TagStatus);
        registerItem(TagStatus);
    }
    if (Pcrit.IsConstant()) {
        stream->Pcrit(Pcrit.Value);
    } else {
        stream->TagPc(Pcrit.Item);
        stream->IndexPc(registerItem(Pcrit.Item));
    }
    if (Tcrit.IsConstant()) {
        stream->Tcrit(Tcrit.Value);
    } else {
        stream->TagTc(Tcrit.Item);
        stream->IndexTc(registerItem(Tcrit.Item));
    }
    if (Acentric.IsConstant()) {
        stream->AcentricFactor(Acentric.Value);
    } else {
        stream->TagAcentric(Acentric.Item);
        stream->IndexAcentric(registerItem(Acentric.Item));
    }
    stream->Description(Description);
    return stream;
}

}  // namespace tarnel
