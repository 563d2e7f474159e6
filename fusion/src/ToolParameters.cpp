#include "adsk/cam/CAMParameters.h"

#include "ToolData.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

namespace adsk::sim::detail {
namespace {

using K = ValueKind;
using Q = Quantity;
using S = Section;

// Parameters of a tool entry, after the host's tool-library CSV names and the
// ISO 13399 geometry codes of its JSON documents.
constexpr ParameterMapping toolParameters[] = {
    {"tool_type", S::Top, "type", K::Choice, Q::None},
    {"tool_unit", S::Top, "unit", K::Choice, Q::None},
    {"tool_material", S::Top, "BMC", K::Choice, Q::None},
    {"tool_description", S::Top, "description", K::String, Q::None},
    {"tool_vendor", S::Top, "vendor", K::String, Q::None},
    {"tool_productId", S::Top, "product-id", K::String, Q::None},
    {"tool_productLink", S::Top, "product-link", K::String, Q::None},
    {"tool_diameter", S::Geometry, "DC", K::Float, Q::Length},
    {"tool_cornerRadius", S::Geometry, "RE", K::Float, Q::Length},
    {"tool_fluteLength", S::Geometry, "LCF", K::Float, Q::Length},
    {"tool_shoulderLength", S::Geometry, "shoulder-length", K::Float, Q::Length},
    {"tool_shoulderDiameter", S::Geometry, "shoulder-diameter", K::Float, Q::Length},
    {"tool_bodyLength", S::Geometry, "LB", K::Float, Q::Length},
    {"tool_overallLength", S::Geometry, "OAL", K::Float, Q::Length},
    {"tool_shaftDiameter", S::Geometry, "SFDM", K::Float, Q::Length},
    {"tool_threadPitch", S::Geometry, "TP", K::Float, Q::Length},
    {"tool_tipDiameter", S::Geometry, "tip-diameter", K::Float, Q::Length},
    {"tool_tipLength", S::Geometry, "tip-length", K::Float, Q::Length},
    {"tool_tipOffset", S::Geometry, "tip-offset", K::Float, Q::Length},
    {"tool_assemblyGaugeLength", S::Geometry, "assemblyGaugeLength", K::Float, Q::Length},
    {"tool_tipAngle", S::Geometry, "SIG", K::Float, Q::Angle},
    {"tool_taperAngle", S::Geometry, "TA", K::Float, Q::Angle},
    {"tool_threadProfileAngle", S::Geometry, "thread-profile-angle", K::Float, Q::Angle},
    {"tool_numberOfFlutes", S::Geometry, "NOF", K::Integer, Q::None},
    {"tool_numberOfTeeth", S::Geometry, "NT", K::Integer, Q::None},
    {"tool_clockwise", S::Geometry, "HAND", K::Boolean, Q::None},
    {"tool_coolantSupport", S::Geometry, "CSP", K::Boolean, Q::None},
    {"tool_holderGaugeLength", S::Holder, "gaugeLength", K::Float, Q::Length},
    {"holder_description", S::Holder, "description", K::String, Q::None},
    {"holder_vendor", S::Holder, "vendor", K::String, Q::None},
    {"holder_productId", S::Holder, "product-id", K::String, Q::None},
    {"holder_productLink", S::Holder, "product-link", K::String, Q::None},
    {"tool_number", S::PostProcess, "number", K::Integer, Q::None},
    {"tool_diameterOffset", S::PostProcess, "diameter-offset", K::Integer, Q::None},
    {"tool_lengthOffset", S::PostProcess, "length-offset", K::Integer, Q::None},
    {"tool_turret", S::PostProcess, "turret", K::Integer, Q::None},
    {"tool_live", S::PostProcess, "live", K::Boolean, Q::None},
    {"tool_manualToolChange", S::PostProcess, "manual-tool-change", K::Boolean, Q::None},
    {"tool_breakControl", S::PostProcess, "break-control", K::Boolean, Q::None},
    {"tool_comment", S::PostProcess, "comment", K::String, Q::None},
};

// A standalone holder entry ("type": "holder") carries its fields at the top.
constexpr ParameterMapping holderParameters[] = {
    {"tool_type", S::Top, "type", K::Choice, Q::None},
    {"holder_description", S::Top, "description", K::String, Q::None},
    {"holder_vendor", S::Top, "vendor", K::String, Q::None},
    {"holder_productId", S::Top, "product-id", K::String, Q::None},
    {"holder_productLink", S::Top, "product-link", K::String, Q::None},
    {"tool_holderGaugeLength", S::Top, "gaugeLength", K::Float, Q::Length},
};

bool isHolderEntry(const nlohmann::json& entry) {
    const auto type = entry.find("type");
    return type != entry.end() && type->is_string() && type->get<std::string>() == "holder";
}

const char* sectionKey(Section section) {
    switch (section) {
    case Section::Geometry: return "geometry";
    case Section::Holder: return "holder";
    case Section::PostProcess: return "post-process";
    case Section::Top: break;
    }
    return nullptr;
}

// The object holding the parameter's key, or null when the entry lacks it.
const nlohmann::json* sectionOf(const nlohmann::json& entry, Section section) {
    const char* key = sectionKey(section);
    if (!key) return &entry;
    const auto found = entry.find(key);
    return found != entry.end() && found->is_object() ? &*found : nullptr;
}

const nlohmann::json* slotOf(const nlohmann::json& entry, const ParameterMapping& mapping) {
    const nlohmann::json* section = sectionOf(entry, mapping.section);
    if (!section) return nullptr;
    const auto found = section->find(mapping.key);
    return found != section->end() ? &*found : nullptr;
}

nlohmann::json& mutableSlotOf(nlohmann::json& entry, const ParameterMapping& mapping) {
    const char* key = sectionKey(mapping.section);
    nlohmann::json& section = key ? entry[key] : entry;
    return section[mapping.key];
}

// Centimetres per unit of the object that holds the length; a holder may
// use another unit than its tool. Zero when the unit is unknown.
double centimetresPerUnit(const nlohmann::json& entry, const ParameterMapping& mapping) {
    const nlohmann::json* unit = nullptr;
    const nlohmann::json* section = sectionOf(entry, mapping.section);
    if (section && section->contains("unit")) unit = &(*section)["unit"];
    if (!unit && entry.contains("unit")) unit = &entry["unit"];
    if (!unit || !unit->is_string()) return 0;
    if (*unit == "millimeters") return 0.1;
    if (*unit == "inches") return 2.54;
    return 0;
}

// An integer JSON number, or a float with no fraction, that fits an int.
bool isIntegral(const nlohmann::json& value) {
    if (value.is_number_unsigned())
        return value.get<unsigned long long>() <= static_cast<unsigned long long>(std::numeric_limits<int>::max());
    if (value.is_number_integer()) {
        const auto number = value.get<long long>();
        return number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max();
    }
    if (!value.is_number_float()) return false;
    const double number = value.get<double>();
    return std::isfinite(number) && std::trunc(number) == number &&
           std::fabs(number) <= std::numeric_limits<int>::max();
}

bool holdsUsableValue(const nlohmann::json& entry, const ParameterMapping& mapping) {
    const nlohmann::json* slot = slotOf(entry, mapping);
    if (!slot) return false;
    switch (mapping.kind) {
    case ValueKind::Float:
        return slot->is_number() && (mapping.quantity != Quantity::Length || centimetresPerUnit(entry, mapping) > 0);
    case ValueKind::Integer: return isIntegral(*slot);
    case ValueKind::Boolean: return slot->is_boolean();
    case ValueKind::String:
    case ValueKind::Choice: return slot->is_string();
    }
    return false;
}

double hostValueOf(const nlohmann::json& entry, const ParameterMapping& mapping) {
    const double stored = slotOf(entry, mapping)->get<double>();
    if (mapping.quantity == Quantity::Length) return stored * centimetresPerUnit(entry, mapping);
    if (mapping.quantity == Quantity::Angle) return stored * std::numbers::pi / 180.0;
    return stored;
}

// False for a value that is not finite, or a length whose unit became unknown.
bool storeHostValue(nlohmann::json& entry, const ParameterMapping& mapping, double value) {
    if (!std::isfinite(value)) return false;
    if (mapping.quantity == Quantity::Length) {
        const double factor = centimetresPerUnit(entry, mapping);
        if (factor <= 0) return false;
        value /= factor;
    }
    if (mapping.quantity == Quantity::Angle) value = value * 180.0 / std::numbers::pi;
    mutableSlotOf(entry, mapping) = value;
    return true;
}

const nlohmann::json& slotFor(const ParameterBinding& binding) {
    return *slotOf(binding.tool->entry(), *binding.mapping);
}

} // namespace

const ParameterMapping* findParameter(const ToolData& tool, std::string_view name) {
    const bool holder = isHolderEntry(tool.entry());
    const ParameterMapping* first = holder ? std::begin(holderParameters) : std::begin(toolParameters);
    const ParameterMapping* last = holder ? std::end(holderParameters) : std::end(toolParameters);
    for (const ParameterMapping* mapping = first; mapping != last; ++mapping) {
        if (name == mapping->name) return holdsUsableValue(tool.entry(), *mapping) ? mapping : nullptr;
    }
    return nullptr;
}

} // namespace adsk::sim::detail

namespace adsk::cam {

using sim::detail::ParameterBinding;
using sim::detail::ValueKind;

ParameterValue::ParameterValue(std::shared_ptr<ParameterBinding> parameterBinding)
    : binding(std::move(parameterBinding)) {}

double FloatParameterValue::value() const {
    return sim::detail::hostValueOf(binding->tool->entry(), *binding->mapping);
}

bool FloatParameterValue::value(double newValue) {
    return sim::detail::storeHostValue(binding->tool->entry(), *binding->mapping, newValue);
}

FloatParameterValueTypes FloatParameterValue::type() const {
    switch (binding->mapping->quantity) {
    case sim::detail::Quantity::Length: return LengthFloatParameterValueType;
    case sim::detail::Quantity::Angle: return AngleFloatParameterValueType;
    case sim::detail::Quantity::None: break;
    }
    return UnspecifiedFloatParameterValueType;
}

int IntegerParameterValue::value() const {
    return static_cast<int>(sim::detail::slotFor(*binding).get<double>());
}

bool IntegerParameterValue::value(int newValue) {
    sim::detail::mutableSlotOf(binding->tool->entry(), *binding->mapping) = newValue;
    return true;
}

bool BooleanParameterValue::value() const { return sim::detail::slotFor(*binding).get<bool>(); }

bool BooleanParameterValue::value(bool newValue) {
    sim::detail::mutableSlotOf(binding->tool->entry(), *binding->mapping) = newValue;
    return true;
}

std::string StringParameterValue::value() const {
    return sim::detail::slotFor(*binding).get<std::string>();
}

bool StringParameterValue::value(const std::string& newValue) {
    sim::detail::mutableSlotOf(binding->tool->entry(), *binding->mapping) = newValue;
    return true;
}

std::string ChoiceParameterValue::value() const {
    return sim::detail::slotFor(*binding).get<std::string>();
}

bool ChoiceParameterValue::value(const std::string& newValue) {
    if (newValue.empty()) return false;
    sim::detail::mutableSlotOf(binding->tool->entry(), *binding->mapping) = newValue;
    return true;
}

CAMParameter::CAMParameter(std::shared_ptr<ParameterBinding> parameterBinding)
    : binding(std::move(parameterBinding)) {}

std::string CAMParameter::name() const { return binding->mapping->name; }

bool CAMParameter::isEditable() const { return true; }

core::Ptr<ParameterValue> CAMParameter::value() const {
    switch (binding->mapping->kind) {
    case ValueKind::Float: return core::Ptr<ParameterValue>(new FloatParameterValue(binding));
    case ValueKind::Integer: return core::Ptr<ParameterValue>(new IntegerParameterValue(binding));
    case ValueKind::Boolean: return core::Ptr<ParameterValue>(new BooleanParameterValue(binding));
    case ValueKind::String: return core::Ptr<ParameterValue>(new StringParameterValue(binding));
    case ValueKind::Choice: return core::Ptr<ParameterValue>(new ChoiceParameterValue(binding));
    }
    return nullptr;
}

CAMParameters::CAMParameters(std::shared_ptr<sim::detail::ToolData> toolData)
    : tool(std::move(toolData)) {}

core::Ptr<CAMParameter> CAMParameters::itemByName(const std::string& name) const {
    const auto* mapping = sim::detail::findParameter(*tool, name);
    if (!mapping) return nullptr;
    auto binding = std::make_shared<ParameterBinding>(ParameterBinding{tool, mapping});
    return core::Ptr<CAMParameter>(new CAMParameter(std::move(binding)));
}

} // namespace adsk::cam
