#include "sources/ToolModel.h"

#include <array>
#include <utility>

namespace Corvana {

std::int32_t typeCodeFor(std::string_view typeKey) {
    static constexpr std::array<std::pair<std::string_view, std::int32_t>, 17> table{{
        {"end_mill", TypeEndMill},
        {"ball_nosed", TypeBallNosed},
        {"tip_radiused", TypeTipRadiused},
        {"taper_tipped", TypeTaperTipped},
        {"taper_spherical", TypeTaperSpherical},
        {"tipped_disc", TypeTippedDisc},
        {"barrel", TypeBarrel},
        {"dovetail", TypeDovetail},
        {"off_centre_tip_rad", TypeOffCentreTipRad},
        {"drill", TypeDrill},
        {"tap", TypeTap},
        {"thread_mill", TypeThreadMill},
        {"probe", TypeProbe},
        {"form", TypeForm},
        {"routing", TypeRouting},
        {"turn_profiling", TypeTurnProfiling},
        {"turn_grooving", TypeTurnGrooving},
    }};
    for (const auto& [key, code] : table)
        if (key == typeKey) return code;
    return TypeUnknown;
}

} // namespace Corvana
