#include "apps/corvana/ToolReport.h"

#include "apps/corvana/ProgressBar.h"
#include "apps/corvana/SourceLoader.h"
#include "convert/ToolSummary.h"
#include "sources/JsonText.h"
#include "sources/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace Corvana {
namespace {

// Rule names of a findings array, e.g. "threadPitch, toolNumber".
std::string findingRules(const std::string& issuesJson) {
    static constexpr std::string_view marker = "\"rule\":\"";
    std::string rules;
    for (auto at = issuesJson.find(marker); at != std::string::npos; at = issuesJson.find(marker, at)) {
        at += marker.size();
        const auto end = issuesJson.find('"', at);
        if (end == std::string::npos) break;
        if (!rules.empty()) rules += ", ";
        rules += issuesJson.substr(at, end - at);
    }
    return rules.empty() ? "-" : rules;
}

std::string lengthText(double value, bool isMetric) {
    return formatPaletteNumber(value) + (isMetric ? " mm" : " in");
}

// The table shows what the palette shows, so it reads the palette summary.
std::vector<std::string> tableRow(const ToolModel& tool, std::int32_t index) {
    const std::string summary = buildToolSummaryJson(tool, index, false);
    const std::string status = readJsonString(summary, "cuttingStatus");
    return {std::to_string(tool.number),
            tool.name,
            tool.type + " -> " + readJsonString(summary, "fusionType"),
            lengthText(tool.diameter, tool.isMetric),
            lengthText(tool.length, tool.isMetric),
            tool.holderName.empty() ? "-" : tool.holderName,
            status.empty() ? "-" : status,
            findingRules(summary)};
}

void printTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) line += std::string(widths[column] - row[column].size() + 2, ' ');
        }
        std::cout << line << '\n';
    }
}

void printReadable(const LoadedSource& loaded) {
    std::vector<std::vector<std::string>> rows{
        {"No", "Name", "PowerMill type -> Fusion type", "Diameter", "Flute length", "Holder", "Cutting data",
         "Findings"}};
    for (std::size_t i = 0; i < loaded.tools.size(); ++i)
        rows.push_back(tableRow(loaded.tools[i], static_cast<std::int32_t>(i)));
    printTable(rows);
    std::cout << loaded.tools.size() << (loaded.tools.size() == 1 ? " tool" : " tools") << '\n';
}

} // namespace

int runInspect(const InspectOptions& options) {
    ProgressBar bar("Reading");
    const LoadedSource loaded =
        loadSourceOrSession(options.source, options.session, [&bar](std::int32_t index, std::int32_t total,
                                                                     const ToolModel*) { bar.update(index, total); });
    bar.finish();
    if (!loaded.ok) {
        std::cerr << "corvana: " << loaded.message << '\n';
        return 1;
    }
    if (!loaded.notice.empty()) std::cerr << "corvana: " << loaded.notice << '\n';
    if (!options.json) {
        printReadable(loaded);
        return 0;
    }
    for (std::size_t i = 0; i < loaded.tools.size(); ++i)
        std::cout << buildToolSummaryJson(loaded.tools[i], static_cast<std::int32_t>(i), loaded.withPresetNames)
                  << '\n';
    return 0;
}

} // namespace Corvana
