#include "ui/PointLabels.h"

#include <gtest/gtest.h>

TEST(PointLabels, RiseFadeAndLeaveAfterASecond) {
    PointLabels labels;
    labels.add({100.0f, 200.0f}, 500);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(PointLabels::textFor(labels.label(0).points), "+500");
    EXPECT_EQ(PointLabels::opacity(0.0f), 255.0f);

    labels.update(0.25f);
    EXPECT_FLOAT_EQ(labels.label(0).position.y, 200.0f - PointLabels::RISE_SPEED * 0.25f);
    EXPECT_FLOAT_EQ(labels.label(0).position.x, 100.0f);
    EXPECT_EQ(PointLabels::opacity(labels.label(0).age), 255.0f);

    labels.update(0.45f); // 0.7 s old: half way through its fading
    EXPECT_NEAR(PointLabels::opacity(labels.label(0).age), 127.5f, 0.5f);
    labels.update(0.0f); // a frame without time changes nothing
    labels.update(-1.0f);
    EXPECT_FLOAT_EQ(labels.label(0).age, 0.7f);

    labels.update(0.31f);
    EXPECT_EQ(labels.size(), 0u);
    EXPECT_EQ(PointLabels::opacity(5.0f), 0.0f);
}

TEST(PointLabels, AFullSetMakesRoomByDroppingTheOldest) {
    PointLabels labels;
    labels.add({0.0f, 0.0f}, 1);
    labels.update(0.5f);
    for (std::size_t i = 1; i < PointLabels::MAX_LABELS; ++i) {
        labels.add({100.0f * static_cast<float>(i), 0.0f}, 2); // apart: never merged
    }
    ASSERT_EQ(labels.size(), PointLabels::MAX_LABELS);
    labels.add({7.0f, 7.0f}, 3);
    EXPECT_EQ(labels.size(), PointLabels::MAX_LABELS);
    int ones = 0;
    int threes = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        ones += labels.label(i).points == 1 ? 1 : 0;
        threes += labels.label(i).points == 3 ? 1 : 0;
    }
    EXPECT_EQ(ones, 0);
    EXPECT_EQ(threes, 1);
    labels.clear();
    EXPECT_EQ(labels.size(), 0u);
}

TEST(PointLabels, PointsEarnedCloseInTimeAndPlaceShowAsOneSum) {
    PointLabels labels;
    labels.add({400.0f, 300.0f}, 50); // a glass block breaks...
    labels.update(0.1f);
    labels.add({430.0f, 320.0f}, 1000); // ...and the enemy under it dies
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(PointLabels::textFor(labels.label(0).points), "+1050");
    EXPECT_FLOAT_EQ(labels.label(0).age, 0.0f) << "the sum shows for a whole life";
    EXPECT_FLOAT_EQ(labels.label(0).position.y, 300.0f) << "it rises from where it began";

    // Far away, or once the label has had its moment, a new one starts.
    labels.add({700.0f, 300.0f}, 100);
    EXPECT_EQ(labels.size(), 2u);
    labels.update(0.4f);
    labels.add({400.0f, 300.0f}, 200);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels.label(0).points, 1050);
    EXPECT_EQ(labels.label(2).points, 200);
}
