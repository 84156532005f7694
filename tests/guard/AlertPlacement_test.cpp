#include "guard/AlertPlacement.h"

#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace quorvel::guard {
namespace {

constexpr WorkArea kScreen{0, 0, 1280, 800};
constexpr int kWidth = 420;
constexpr int kHeight = 330;

TEST(AlertPlacement, TheFirstIsCentredAndEachNextOneStepDownAndRight) {
    EXPECT_EQ(AlertPosition(kScreen, kWidth, kHeight, 0), (ScreenPoint{430, 235}));
    EXPECT_EQ(AlertPosition(kScreen, kWidth, kHeight, 1),
              (ScreenPoint{430 + kAlertStackStep, 235 + kAlertStackStep}));
    EXPECT_EQ(AlertPosition(WorkArea{1280, 20, 1280, 800}, kWidth, kHeight, 0),
              (ScreenPoint{1710, 255}))
        << "a second screen's area, below a panel";
}

// However many alerts are open, each lies inside the area and none covers another whole.
TEST(AlertPlacement, ManyAlertsStayInsideTheAreaAndApart) {
    for (const WorkArea area : {kScreen, WorkArea{0, 0, 800, 600}, WorkArea{0, 0, 400, 300}}) {
        std::set<std::pair<int, int>> corners;
        for (int place = 0; place < 32; ++place) {
            const ScreenPoint p = AlertPosition(area, kWidth, kHeight, place);
            EXPECT_GE(p.x, area.x);
            EXPECT_GE(p.y, area.y);
            if (area.width >= kWidth && area.height >= kHeight) {
                EXPECT_LE(p.x + kWidth, area.x + area.width) << place;
                EXPECT_LE(p.y + kHeight, area.y + area.height) << place;
            }
            corners.insert({p.x, p.y});
        }
        if (area.width >= kWidth + 2 * kAlertStackStep) {
            EXPECT_EQ(corners.size(), 32u) << "no two alerts on top of one another";
        }
    }
}

TEST(AlertPlacement, ANewAlertTakesTheLowestFreePlace) {
    AlertPlaces places;
    EXPECT_EQ(places.Take(), 0);
    EXPECT_EQ(places.Take(), 1);
    EXPECT_EQ(places.Take(), 2);
    places.Release(1);
    EXPECT_EQ(places.taken(), 2);
    EXPECT_EQ(places.Take(), 1);
    places.Release(0);
    places.Release(7); // never taken: nothing changes
    EXPECT_EQ(places.Take(), 0);
    EXPECT_EQ(places.Take(), 3);
}

} // namespace
} // namespace quorvel::guard
