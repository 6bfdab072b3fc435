#include "CrossoverRules.h"
#include "SaturationCore.h"

#include <gtest/gtest.h>

using namespace mallow;

namespace
{
// Worked by hand from the rules: the square roots of the effective values stay 0.13 apart,
// "Low Freq" at 0.13² or more and "Mid Freq" at 0.87² or less.
struct BlockCase
{
    const char* name;
    float rawLow, rawMid, previousMid;
    float expectedLow, expectedMid;
};

const BlockCase blockCases[] = {
    {"extremes apart", 0.0f, 1.0f, 0.66f, 0.0169f, 0.7569f},
    {"both at zero: mid pushed up from the low floor", 0.0f, 0.0f, 0.66f, 0.0169f, 0.0676f},
    {"both at one, first block: low yields to the old mid", 1.0f, 1.0f, 0.66f, 0.465675f, 0.7569f},
    {"both at one, later blocks", 1.0f, 1.0f, 0.7569f, 0.5476f, 0.7569f},
    {"collision at 0.5: mid keeps its place", 0.5f, 0.5f, 0.66f, 0.465675f, 0.66f},
    {"defaults pass unchanged", 0.33f, 0.66f, 0.66f, 0.33f, 0.66f},
    {"wide gap passes unchanged", 0.09f, 0.2704f, 0.2704f, 0.09f, 0.2704f}, // roots 0.30, 0.52
};
} // namespace

TEST(CrossoverRules, BlockOrderTable)
{
    for (const auto& c : blockCases)
    {
        SCOPED_TRACE(c.name);
        const auto result = applyCrossoverRules(c.rawLow, c.rawMid, c.previousMid);
        EXPECT_NEAR(result.lowFreq, c.expectedLow, 2e-6f);
        EXPECT_NEAR(result.midFreq, c.expectedMid, 2e-6f);
    }
}

TEST(CrossoverRules, SingleRules)
{
    // Below the floor wins over the gap rule.
    EXPECT_FLOAT_EQ(constrainLowFreq(0.01f, 0.02f), 0.0169f);
    // Above the ceiling wins over the gap rule.
    EXPECT_FLOAT_EQ(constrainMidFreq(0.9f, 0.85f), 0.7569f);
    // Gap rules.
    EXPECT_NEAR(constrainLowFreq(0.25f, 0.36f), 0.47f * 0.47f, 1e-6f);  // roots 0.5, 0.6
    EXPECT_NEAR(constrainMidFreq(0.36f, 0.25f), 0.63f * 0.63f, 1e-6f);  // roots 0.6, 0.5
    EXPECT_FLOAT_EQ(constrainLowFreq(0.04f, 0.36f), 0.04f);              // roots 0.2, 0.6
}

TEST(CrossoverRules, FrequencyMapping)
{
    EXPECT_NEAR(saturation::crossoverFrequency(0.0169f), 188.662f, 1e-3f);
    EXPECT_NEAR(saturation::crossoverFrequency(0.7569f), 7573.862f, 1e-3f);
    EXPECT_FLOAT_EQ(saturation::crossoverFrequency(0.0f), 20.0f);
    EXPECT_FLOAT_EQ(saturation::crossoverFrequency(1.0f), 10000.0f);
}
