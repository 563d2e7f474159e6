#include "convert/Findings.h"

#include "convert/ThreadStandards.h"
#include "tests/support/JsonCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace Corvana {
namespace {

using Testing::parseJsonOrFail;
using Rules = std::vector<std::string>;

// A tool that passes every check unless a test changes it.
ToolModel makeTool(const std::string& type, bool isMetric, const std::string& name = "") {
    ToolModel tool;
    tool.type = type;
    tool.typeCode = typeCodeFor(type);
    tool.isMetric = isMetric;
    tool.name = name;
    tool.threadCandidates = parseThreadDesignations(name);
    tool.number = 3;
    tool.numFlutes = 4;
    tool.length = 20;
    tool.presets.push_back({"Roughing", "Steel", "flood", 120, 0.05, 0.5, 1});
    return tool;
}

ToolModel makeTap(bool isMetric, double diameter, double pitch, const std::string& name = "") {
    ToolModel tool = makeTool("tap", isMetric, name);
    tool.diameter = diameter;
    tool.pitch = pitch;
    return tool;
}

Rules rulesOf(const ToolModel& tool) {
    Rules rules;
    for (const auto& issue : parseJsonOrFail(buildToolIssuesJson(tool))) rules.push_back(issue.value("rule", ""));
    return rules;
}

nlohmann::json issueFor(const ToolModel& tool, const std::string& rule) {
    for (const auto& issue : parseJsonOrFail(buildToolIssuesJson(tool)))
        if (issue.value("rule", "") == rule) return issue;
    ADD_FAILURE() << "no " << rule << " issue in " << buildToolIssuesJson(tool);
    return nlohmann::json::object();
}

// Each member of `expected` must be in the tool's `rule` issue with that value.
void expectIssue(const ToolModel& tool, const std::string& rule, std::string_view expected) {
    const nlohmann::json issue = issueFor(tool, rule), members = nlohmann::json::parse(expected);
    for (const auto& [key, value] : members.items())
        EXPECT_EQ(issue.value(key, nlohmann::json()), value) << rule << " " << key;
}

TEST(FindingsTest, FluteCountSuggestsFromTheNameThenTheType) {
    ToolModel named = makeTool("end_mill", true, "ENDMILL 10 4FL");
    named.numFlutes = 0;
    expectIssue(named, "fluteCount", R"({"type":"flutes","resolutionKind":"setValue","pmValue":0,"suggest":4,
        "suggestSource":"name","validate":{"min":1,"max":16,"reviewMin":2,"reviewMax":16,"integer":true,
        "unit":"flutes"}})");
    // A digit after a point is no count, nor is a number above 16.
    const std::tuple<const char*, const char*, int, const char*> rows[] = {
        {"end_mill", "ENDMILL 10", 0, "4 type"}, {"drill", "DRILL 8.5", 0, "2 type"},
        {"drill", "DRILL 1.4FL", 0, "2 type"},   {"end_mill", "SLOT 3 - fl", 1, "3 name"},
        {"end_mill", "T12 2Fl", 17, "2 name"},   {"end_mill", "ROUGHER 20FL", 0, "4 type"},
        {"tap", "TAP", 0, "3 type"}};
    for (const auto& [type, name, flutes, expected] : rows) {
        ToolModel tool = makeTool(type, true, name);
        tool.numFlutes = flutes;
        const nlohmann::json issue = issueFor(tool, "fluteCount");
        EXPECT_EQ(std::to_string(issue.value("suggest", -1)) + " " + issue.value("suggestSource", ""), expected)
            << name;
    }
    ToolModel tool = makeTool("end_mill", true);
    for (const int flutes : {2, 16}) {
        tool.numFlutes = flutes;
        EXPECT_EQ(buildToolIssuesJson(tool), "[]") << flutes;
    }
    tool.numFlutes = -3;
    EXPECT_EQ(issueFor(tool, "fluteCount")["pmValue"], -3);
}

TEST(FindingsTest, ThreadMillFluteLengthAndPitch) {
    ToolModel mill = makeTool("thread_mill", true, "THREAD MILL");
    mill.length = 1.0;
    mill.pitch = 1.5;
    EXPECT_EQ(rulesOf(mill), (Rules{"fluteLength"}));
    expectIssue(mill, "fluteLength", R"({"severity":"critical","resolutionKind":"grow"})");
    mill.length = 0;
    EXPECT_EQ(buildToolIssuesJson(mill), "[]");
    ToolModel inchMill = makeTool("thread_mill", false);
    inchMill.length = 0.05;
    inchMill.pitch = 0.0500005;
    EXPECT_EQ(buildToolIssuesJson(inchMill), "[]");
    inchMill.pitch = 0.0502;
    EXPECT_EQ(rulesOf(inchMill), (Rules{"fluteLength"}));
    ToolModel tap = makeTap(true, 10, 1.5);
    tap.length = 1.0;
    EXPECT_EQ(buildToolIssuesJson(tap), "[]");  // only thread mills are grown

    mill.pitch = 0;
    expectIssue(mill, "threadPitch", R"({"severity":"critical","pmValue":0})");
    mill.pitch = 8;
    expectIssue(mill, "threadPitch", R"({"severity":"critical","candidates":[],"recommended":null,"autoSelect":null})");
    mill.pitch = std::nan("");  // an unreadable pitch is a missing one
    EXPECT_EQ(issueFor(mill, "threadPitch")["pmValue"], 0);
}

TEST(FindingsTest, ThreadMillPitchCandidatesComeFromTheName) {
    ToolModel mill = makeTool("thread_mill", true, "THREAD MILL M12");
    mill.pitch = 0.1;
    EXPECT_EQ(rulesOf(mill), Rules{"threadPitch"});
    const nlohmann::json issue = issueFor(mill, "threadPitch");
    expectIssue(mill, "threadPitch", R"({"severity":"critical","rationale":"The stored pitch is implausibly small )"
                                     R"(for a thread.","pmValue":0.1,"recommended":1.75,"autoSelect":1.75,)"
                                     R"("validate":{"min":0.2,"max":7,"unit":"mm"}})");
    std::vector<std::string> candidates;
    for (const auto& candidate : issue["candidates"])
        candidates.push_back(candidate["label"].get<std::string>() + " " + candidate["tier"].get<std::string>());
    EXPECT_EQ(candidates, (std::vector<std::string>{"M12 x 1.75 (coarse) inferred", "M12 x 1.5 (fine) option",
                                                    "M12 x 1.25 (fine) option", "M12 x 1 (fine) option"}));
    mill.pitch = 1.5;
    EXPECT_EQ(buildToolIssuesJson(mill), "[]");
    const ToolModel inch = makeTool("thread_mill", false, "THREAD MILL M6");
    expectIssue(inch, "threadPitch", R"({"validate":{"min":0.008,"max":0.275,"unit":"in"}})");
    EXPECT_EQ(issueFor(inch, "threadPitch")["candidates"][0], nlohmann::json::parse(R"j({"label":"M6 x 1 (coarse)",
        "value":0.0393701,"tpi":0,"nativePitch":1,"nativeUnit":"mm","nominal":0.23622,"tier":"inferred"})j"));
}

TEST(FindingsTest, TapDiameterFindings) {
    expectIssue(makeTap(true, 8.5, 1.5), "tapDiameter", R"({"type":"diameter","markKey":"recon.mark.diameterTapDrill",
        "candidates":[{"label":"M10","value":10,"nativeUnit":"mm","tier":"recommended"}],"recommended":10,
        "autoSelect":null,"pmValue":8.5,"unit":"mm"})");
    // A wrong or missing pitch on a tap drill diameter is advisory.
    EXPECT_EQ(rulesOf(makeTap(true, 8.5, 2.0, "TAP M10")), (Rules{"threadPitch", "tapDiameter"}));
    expectIssue(makeTap(true, 8.5, 2.0, "TAP M10"), "threadPitch", R"({"severity":"review"})");
    expectIssue(makeTap(true, 8.5, 0, "TAP M10"), "threadPitch", R"({"severity":"review"})");
    expectIssue(makeTap(false, 0.3346, 0.059055, "TAP M10X1.5"), "tapDiameter", R"({"unit":"in",
        "candidates":[{"label":"M10","value":0.393701,"nativeUnit":"mm","tier":"recommended"}]})");

    const ToolModel ambiguous = makeTap(true, 7.0, 1.5, "TAP M10");
    EXPECT_EQ(rulesOf(ambiguous), (Rules{"threadPitch", "tapDiameter"}));
    const nlohmann::json pitch = issueFor(ambiguous, "threadPitch");
    EXPECT_TRUE(pitch["severity"] == "review" && pitch["candidates"][0]["label"] == "M10 x 1.5 (coarse)") << pitch;
    expectIssue(ambiguous, "tapDiameter", R"({"markKey":"recon.mark.diameterAmbiguous","candidates":[],
        "recommended":null})");
    EXPECT_EQ(rulesOf(makeTap(true, 7.0, 1.5)), (Rules{"threadPitch"}));  // unnamed: not questioned
}

TEST(FindingsTest, TapPitchStatuses) {
    const nlohmann::json tooCoarse = issueFor(makeTap(false, 0.25, 0.3), "threadPitch");
    EXPECT_EQ(tooCoarse["severity"], "critical");
    EXPECT_EQ(tooCoarse["candidates"][0], nlohmann::json::parse(R"({"label":"1/4-20 UNC","value":0.05,"tpi":20,
        "nativePitch":0.05,"nativeUnit":"in","nominal":0.25,"tier":"recommended"})"));
    EXPECT_EQ(rulesOf(makeTap(true, 10, 0)), (Rules{"threadPitch"}));
    expectIssue(makeTap(true, 10, 0), "threadPitch", R"({"severity":"critical"})");
    // The name's fine pitch is recommended but is not the size's primary pitch.
    expectIssue(makeTap(true, 10, 0, "M10X1.25 TAP"), "threadPitch", R"({"recommended":1.25,"autoSelect":null})");
    EXPECT_EQ(buildToolIssuesJson(makeTap(true, 10, 1.5, "TAP M10X1.5")), "[]");
    EXPECT_EQ(buildToolIssuesJson(makeTap(false, 0.25, 0.05, "1/4-20 UNC TAP")), "[]");
}

TEST(FindingsTest, PipeTapsCheckOrderAndExemptions) {
    // 1" NPT: 1.315 in outside diameter, 11.5 threads per inch; the nearest Unified size (1-5/16) has 18.
    EXPECT_EQ(buildToolIssuesJson(makeTap(false, 1.315, 1 / 11.5, "1\" NPT TAP")), "[]");
    const nlohmann::json missing = issueFor(makeTap(false, 1.315, 0, "1-11.5 NPT TAP"), "threadPitch");
    EXPECT_TRUE(missing["candidates"].size() == 1 && missing["recommended"] == 0.0869565) << missing;

    ToolModel mill = makeTool("thread_mill", true);
    mill.pitch = 8;
    mill.length = 1;
    mill.numFlutes = 20;
    mill.number = 0;
    mill.presets.clear();
    EXPECT_EQ(rulesOf(mill), (Rules{"threadPitch", "fluteLength", "fluteCount", "cuttingData", "toolNumber"}));

    // A probe needs no cutting data, a negative number is none, and unsupported types are not checked.
    ToolModel probe = makeTool("probe", true);
    probe.number = -5;
    probe.presets.clear();
    EXPECT_EQ(rulesOf(probe), Rules{"toolNumber"});
    probe.typeCode = typeCodeFor("routing");
    EXPECT_EQ(buildToolIssuesJson(probe), "[]");
    mill = makeTool("end_mill", true);
    mill.presets = {{"Roughing", "", "", 0, 0.02, 0, 0}};
    EXPECT_EQ(buildToolIssuesJson(mill), "[]") << "a feed alone is cutting data";
}

} // namespace
} // namespace Corvana
