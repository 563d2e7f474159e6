#include "sources/ToolModel.h"

#include <gtest/gtest.h>

#include <utility>

namespace Corvana {
namespace {

TEST(ToolModelTest, ExactTypeCodes) {
    const std::pair<const char*, int> codes[] = {{"end_mill", 1},      {"off_centre_tip_rad", 9}, {"thread_mill", 12},
                                                 {"turn_grooving", 17}, {"End_Mill", 0},           {"end_mill ", 0},
                                                 {"", 0}};
    for (const auto& [name, code] : codes) EXPECT_EQ(typeCodeFor(name), code) << '"' << name << '"';
}

} // namespace
} // namespace Corvana
