#include "library/ToolSignature.h"

#include <gtest/gtest.h>

namespace Corvana {
namespace {

ToolSignature endMill(double diameterCm) {
    ToolSignature signature;
    signature.type = "flat end mill";
    signature.diameter = diameterCm;
    signature.fluteLength = 2.6;
    signature.numberOfFlutes = 4;
    return signature;
}

TEST(ToolSignatureTest, ToolsMatchWithinTheTolerances) {
    // Inch values reach the comparison through the host's conversion to centimetres.
    EXPECT_TRUE(signaturesMatch(endMill(0.5 * 2.54), endMill(0.501 * 2.54)));
    EXPECT_TRUE(signaturesMatch(endMill(0.501 * 2.54), endMill(0.5 * 2.54)));
    EXPECT_FALSE(signaturesMatch(endMill(0.5 * 2.54), endMill(0.5011 * 2.54)));
    EXPECT_TRUE(signaturesMatch(endMill(12 * 0.1), endMill(12.0254 * 0.1)));
    EXPECT_FALSE(signaturesMatch(endMill(12 * 0.1), endMill(12.028 * 0.1)));

    ToolSignature other = endMill(1.2);
    other.type.clear();
    EXPECT_FALSE(signaturesMatch(other, other)) << "no type, no match";
    other = endMill(1.2);
    other.jsonGauge = 7.0;
    EXPECT_FALSE(signaturesMatch(endMill(1.2), other)) << "holder in one library only";
    other = endMill(1.2);
    other.fluteLength = 2.6 + 0.00254;
    EXPECT_TRUE(signaturesMatch(endMill(1.2), other));
    other.fluteLength = 2.6 + 0.0026;
    EXPECT_FALSE(signaturesMatch(endMill(1.2), other));
    other = endMill(1.2);
    other.numberOfFlutes = 3;
    EXPECT_FALSE(signaturesMatch(endMill(1.2), other));

    ToolSignature drill = endMill(1.2);
    drill.tipAngle = 118;
    other = drill;
    other.tipAngle = 118.1;
    EXPECT_TRUE(signaturesMatch(drill, other));
    other.tipAngle = 118.11;
    EXPECT_FALSE(signaturesMatch(drill, other));
    EXPECT_EQ(roundedCount(2.5), 3);
    EXPECT_EQ(roundedCount(-2.5), -3);
}

TEST(ToolSignatureTest, JsonFactsComeFromTheHolderInItsOwnUnit) {
    ToolSignature metric;
    addToolJsonFacts(metric,
                     R"({"geometry":{"DC":12},"holder":{"gaugeLength":70,"unit":"millimeters"},"unit":"inches"})");
    EXPECT_DOUBLE_EQ(metric.jsonGauge.value_or(-1), 7.0);
    EXPECT_FALSE(metric.assemblyGaugeLength.has_value());

    ToolSignature inch;
    addToolJsonFacts(inch,
                     "{ \"geometry\" : { \"assemblyGaugeLength\" : 5.768 },\n \"holder\" : { \"gaugeLength\" : 2.5 } }");
    EXPECT_DOUBLE_EQ(inch.jsonGauge.value_or(-1), 6.35) << "no holder unit reads as inches";
    EXPECT_DOUBLE_EQ(inch.assemblyGaugeLength.value_or(-1), 5.768);

    inch.jsonGauge.reset();
    addToolJsonFacts(inch, R"({"assemblyGaugeLength":3,"holder":{"gauge-length":70,"gaugeLength":-1}})");
    EXPECT_FALSE(inch.jsonGauge.has_value()) << "a negative gauge is no gauge";
    EXPECT_DOUBLE_EQ(inch.assemblyGaugeLength.value_or(-1), 5.768) << "a value already read is kept";
}

} // namespace
} // namespace Corvana
