#include "addin/LibraryComparison.h"

#include "addin/FusionLibraries.h"
#include "addin/LibraryWriters.h"
#include "convert/LibraryJson.h"
#include "library/ToolJsonText.h"

#include <numbers>
#include <optional>
#include <stdexcept>

namespace Corvana {
namespace {

using adsk::core::Ptr;

constexpr double degreesPerRadian = 180.0 / std::numbers::pi;

std::optional<double> floatParameter(const adsk::cam::CAMParameters& parameters, const char* name) {
    const auto parameter = parameters.itemByName(name);
    if (!parameter) return std::nullopt;
    const Ptr<adsk::cam::FloatParameterValue> value = parameter->value();
    if (!value) return std::nullopt;
    return value->value();
}

// Counts may be held as integer or as float values.
std::optional<double> countParameter(const adsk::cam::CAMParameters& parameters, const char* name) {
    const auto parameter = parameters.itemByName(name);
    if (!parameter) return std::nullopt;
    const Ptr<adsk::cam::ParameterValue> value = parameter->value();
    if (const Ptr<adsk::cam::IntegerParameterValue> integer = value) return roundedCount(integer->value());
    if (const Ptr<adsk::cam::FloatParameterValue> number = value) return roundedCount(number->value());
    return std::nullopt;
}

std::optional<double> angleParameter(const adsk::cam::CAMParameters& parameters, const char* name) {
    const auto radians = floatParameter(parameters, name);
    if (!radians) return std::nullopt;
    return *radians * degreesPerRadian;
}

std::string typeText(const adsk::cam::CAMParameters& parameters) {
    const auto parameter = parameters.itemByName("tool_type");
    if (!parameter) return {};
    const Ptr<adsk::cam::ParameterValue> value = parameter->value();
    if (const Ptr<adsk::cam::ChoiceParameterValue> choice = value) return choice->value();
    if (const Ptr<adsk::cam::StringParameterValue> text = value) return text->value();
    return {};
}

Ptr<adsk::cam::Tool> toolAt(const adsk::cam::ToolLibrary& library, std::size_t index) {
    auto tool = library.item(index);
    if (!tool) throw std::runtime_error("Tool " + std::to_string(index) + " of a library could not be read.");
    return tool;
}

LibraryComparison existingCountOnly(const adsk::cam::ToolLibrary& existing) {
    LibraryComparison result;
    std::int32_t count = 0;
    for (std::size_t i = 0; i < existing.count(); ++i) {
        const auto parameters = toolAt(existing, i)->parameters();
        if (parameters && floatParameter(*parameters, "tool_diameter")) ++count;
    }
    result.existingCount = count;
    return result;
}

} // namespace

std::string toolTypeText(const adsk::cam::Tool& tool) {
    const auto parameters = tool.parameters();
    return parameters ? typeText(*parameters) : std::string();
}

ToolSignature readToolSignature(const adsk::cam::Tool& tool) {
    ToolSignature signature;
    const auto parameters = tool.parameters();
    if (!parameters) return signature;
    const adsk::cam::CAMParameters& p = *parameters;
    signature.type = typeText(p);
    signature.diameter = floatParameter(p, "tool_diameter");
    signature.cornerRadius = floatParameter(p, "tool_cornerRadius");
    signature.fluteLength = floatParameter(p, "tool_fluteLength");
    signature.shoulderLength = floatParameter(p, "tool_shoulderLength");
    signature.bodyLength = floatParameter(p, "tool_bodyLength");
    signature.overallLength = floatParameter(p, "tool_overallLength");
    signature.shaftDiameter = floatParameter(p, "tool_shaftDiameter");
    signature.holderGaugeLength = floatParameter(p, "tool_holderGaugeLength");
    signature.assemblyGaugeLength = floatParameter(p, "tool_assemblyGaugeLength");
    signature.threadPitch = floatParameter(p, "tool_threadPitch");
    signature.tipAngle = angleParameter(p, "tool_tipAngle");
    signature.taperAngle = angleParameter(p, "tool_taperAngle");
    signature.numberOfFlutes = countParameter(p, "tool_numberOfFlutes");
    // A thread mill's tooth count is corrected after import, so it is no part of its identity.
    if (signature.type != "thread mill") signature.numberOfTeeth = countParameter(p, "tool_numberOfTeeth");
    if (signature.diameter) addToolJsonFacts(signature, tool.toJson());
    return signature;
}

std::vector<ComparedTool> readComparedTools(const adsk::cam::ToolLibrary& library) {
    std::vector<ComparedTool> tools;
    tools.reserve(library.count());
    for (std::size_t i = 0; i < library.count(); ++i) {
        const auto tool = toolAt(library, i);
        ComparedTool compared;
        compared.signature = readToolSignature(*tool);
        compared.name = tool->description();
        if (compared.signature.type == "holder") {
            const std::string json = tool->toJson();
            compared.holderIdentity = jsonStringMember(json, "description") + '\n' + holderKey(json);
        }
        tools.push_back(std::move(compared));
    }
    return tools;
}

LibraryComparison compareLibraries(adsk::cam::ToolLibrary& existing, const adsk::cam::ToolLibrary& incoming,
                                   bool adding) {
    const ComparisonOutcome outcome = compareTools(readComparedTools(existing), readComparedTools(incoming));
    if (adding)
        for (const std::size_t position : outcome.additions) existing.add(toolAt(incoming, position));
    return outcome.comparison;
}

LibraryComparison analyzeLibrary(const std::string& libraryName, const std::vector<ToolModel>& tools) {
    const LibraryAccess access = openLibraryAccess();
    if (!access.error.empty()) return {};
    const auto url = findLibrary(access, libraryName);
    const auto existing = url ? access.toolLibraries->toolLibraryAtURL(url) : nullptr;
    if (!existing) return {};
    const auto incoming =
        adsk::cam::ToolLibrary::createFromJson(buildToolLibraryJson(tools, libraryName, {}, ToolsAndHolders));
    if (!incoming) return existingCountOnly(*existing);
    const LibraryComparison result = compareLibraries(*existing, *incoming, false);
    adsk::core::Application::log(analysisLogLine(result), adsk::core::InfoLogLevel, adsk::core::ConsoleLogType);
    return result;
}

} // namespace Corvana
