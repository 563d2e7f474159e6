#pragma once
// Fusion tool-library JSON: tool records with geometry, shaft, holder,
// post-process data and cutting presets; holders; the whole document.

#include "convert/Profiles.h"
#include "sources/ToolModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Corvana {

enum ParamKind : std::int32_t { ParamNumber = 0, ParamRaw = 1, ParamText = 2 };

struct NumericParam {
    std::string key;
    double value = 0;
};

struct TypedParam {
    std::string key;
    ParamKind kind = ParamNumber;
    double number = 0;
    std::string text;
};

struct FusionGeometry {
    double DC = 0;
    double LB = 0;
    double LCF = 0;
    double OAL = 0;
    double SFDM = 0;
    double shoulderDiameter = 0;
    double shoulderLength = 0;
    bool writeCuttingLength = false;
    std::int32_t NOF = 0;
    std::vector<NumericParam> numericParams;
    std::vector<TypedParam> typedParams;
};

struct FusionHolder {
    std::string description;
    double gaugeLength = 0;
    std::string unit;
    std::string guid;
    std::string productId;
    std::string productLink;
    std::string vendor;
    std::vector<ProfileRow> segments;
};

using LibraryHolder = FusionHolder;

struct PostProcessBlock {
    bool breakControl = false;
    std::string comment;
    std::int32_t diameterOffset = 0;
    std::int32_t lengthOffset = 0;
    bool live = true;
    bool manualToolChange = false;
    std::int32_t number = 0;
    std::int32_t turret = 0;
};

struct FusionPreset {
    std::string name;
    std::string description;
    std::string guid;
    std::string materialQuery;  // a JSON object, written verbatim
    std::string toolCoolant;
    bool hasCoolant = false;
    double stepdown = 0;
    bool useStepdown = false;
    double stepover = 0;
    bool useStepover = false;
    std::int32_t n = 0;
    std::int32_t nRamp = 0;
    double v_c = 0;
    double f_z = 0;
    double f_n = 0;
    double v_f = 0;
    double v_f_leadIn = 0;
    double v_f_leadOut = 0;
    double v_f_plunge = 0;
    double v_f_ramp = 0;
    double v_f_retract = 0;
    double v_f_transition = 0;
    bool hasStrategies = false;
    bool roughing = false;
    bool finishing = false;
};

struct FusionToolRecord {
    std::string fusionType;
    std::string description;
    std::string guid;
    std::string productId;
    std::string productLink;
    std::string vendor;
    std::string unit;
    std::string bodyMaterial;
    bool writeBodyMaterial = false;
    bool clearanceStep = false;
    bool presetting = false;
    std::int32_t fluteCount = 0;
    std::string taperedType;
    bool isTapered = false;
    FusionGeometry geometry;
    bool hasShaft = false;
    std::vector<ProfileRow> shaft;
    bool hasHolder = false;
    FusionHolder holder;
    PostProcessBlock postProcess;
    std::vector<FusionPreset> presets;
    std::string extraPresetsText;
};

struct LibraryDocument {
    std::string description;
    std::string guid;
    std::string units;
    std::int32_t version = 2;
    std::vector<FusionToolRecord> tools;
    std::vector<LibraryHolder> holders;
};

enum LibraryJsonMode : std::int32_t {
    ToolsAndHolders = 0,
    ToolsOnly = 1,
    HoldersOnly = 2,
};

// 36-character identifier, the same for the same seed on every run.
std::string makeStableGuid(std::int32_t seed);

// Copy of the tool with every length (and the cutting speed) in the target unit.
ToolModel convertToolUnits(const ToolModel& tool, bool toMetric);

FusionToolRecord toFusionToolRecord(const ToolModel& tool, std::int32_t index,
                                    const std::string& identifier);

std::string buildToolLibraryJson(const std::vector<ToolModel>& tools,
                                 const std::string& description,
                                 const std::vector<std::string>& identifiers,
                                 LibraryJsonMode mode);

} // namespace Corvana
