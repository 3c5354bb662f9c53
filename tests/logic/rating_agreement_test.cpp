// The statistics that compare our ratings with another scale's.

#include "logic_checks/rating_agreement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(RatingAgreement, TiedValuesShareTheMeanOfTheirRanks)
{
    EXPECT_EQ(averageRanks({10, 20, 20, 30}), (std::vector<double>{1, 2.5, 2.5, 4}));
    EXPECT_EQ(averageRanks({3, 1, 2}), (std::vector<double>{3, 1, 2}));
    EXPECT_EQ(averageRanks({7, 7, 7}), (std::vector<double>{2, 2, 2}));
}

TEST(RatingAgreement, SpearmanComparesOrderNotDistance)
{
    EXPECT_DOUBLE_EQ(spearman({1, 2, 3, 4}, {1, 4, 9, 160}), 1.0);
    EXPECT_DOUBLE_EQ(spearman({1, 2, 3, 4}, {8, 6, 4, 2}), -1.0);
    // Two neighbouring pairs swapped: 1 - 6 * 4 / (5 * 24).
    EXPECT_NEAR(spearman({1, 2, 3, 4, 5}, {2, 1, 4, 3, 5}), 0.8, 1e-12);
    EXPECT_TRUE(std::isnan(spearman({1, 2, 3}, {5, 5, 5})));
}

TEST(RatingAgreement, CountsEqualAndCloseScores)
{
    Agreement a;
    a.add(35, 35);
    a.add(30, 35);
    a.add(29, 35);
    a.add(41, 35);
    EXPECT_EQ(a.puzzles, 4u);
    EXPECT_EQ(a.equal, 1u);
    EXPECT_EQ(a.withinHalf, 2u);
}
