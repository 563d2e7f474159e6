// Page requests against a small parsed tool list, thread mill and holder included.

#include "library/ImportRequest.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<Corvana::ToolModel> sampleTools() {
    std::vector<Corvana::ToolModel> tools(4);
    tools[0].type = "end_mill";
    tools[0].typeCode = 1;
    tools[0].diameter = 10;
    tools[1].type = "thread_mill";
    tools[1].typeCode = 12;
    tools[1].pitch = 1.5;
    tools[1].length = 1;
    tools[1].overhang = 1;
    tools[2].type = "off_centre_tip_rad";
    tools[2].typeCode = 9;
    tools[2].diameter = 10;
    tools[2].tipRadius = 20;
    tools[2].tipRadiusCentreY = 5;
    tools[3].type = "routing";
    tools[3].typeCode = 15;
    return tools;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 16)) return 0;
    static const std::vector<Corvana::ToolModel> tools = sampleTools();
    const std::string json(reinterpret_cast<const char*>(data), size);
    const auto request = Corvana::readImportRequest(json, tools, "Imported from PowerMill");
    std::vector<std::string> identifiers(request.tools.size(), "id");
    (void)Corvana::buildThreadMillFixes(request.tools, identifiers);
    return 0;
}
