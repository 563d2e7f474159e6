#pragma once
// Shank and holder sections turned into Fusion's straight conical segments,
// and the distinct holders of a tool list.

#include "sources/ToolModel.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace Corvana {

struct ProfileRow {
    double height = 0;
    double lowerDiameter = 0;
    double upperDiameter = 0;
};

struct DistinctHolder {
    std::string name;
    double gaugeLength = 0;
    bool isMetric = false;
    std::vector<ProfileRow> rows;
};

// Largest chord distance allowed when a fillet arc becomes cones, in inches
// (default 0.0005). Values of 0 or less are ignored.
double polyTolerance();
void setPolyTolerance(double toleranceInch);

std::vector<ProfileRow> shankProfile(const std::vector<ShankSegment>& segments, bool isMetric);
std::vector<ProfileRow> holderProfile(const ToolModel& tool);
std::string holderSignature(const std::vector<ProfileRow>& rows, bool isMetric);
std::vector<DistinctHolder> distinctHolders(const std::vector<ToolModel>& tools);

// The distinct holders of tools given one at a time, in first-seen order.
class DistinctHolderList {
public:
    void add(const ToolModel& tool);
    std::vector<DistinctHolder> take() { return std::move(holders); }

private:
    std::vector<DistinctHolder> holders;
    std::unordered_set<std::string> seenKeys;
};

} // namespace Corvana
