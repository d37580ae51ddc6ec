// The drag rules and what a finished drag stores, without a window.

#include "AreaDrag.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorvin {
namespace {

TEST(AreaDrag, RoundsHalvesToEvenAndSaturates) {
  struct Case {
    double in;
    int32_t out;
  };
  const Case cases[] = {{0.5, 0},
                        {1.5, 2},
                        {2.5, 2},
                        {2.4999, 2},
                        {2.5001, 3},
                        {-0.5, 0},
                        {-1.5, -2},
                        {-2.5, -2},
                        {299.5, 300},
                        {300.5, 300},
                        {1e12, std::numeric_limits<int32_t>::max()},
                        {-1e12, std::numeric_limits<int32_t>::min()}};
  for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(AreaDrag, SpansTheRectangleFromTheStartInEitherDirection) {
  AreaDrag drag;
  drag.Start(300, 200);
  EXPECT_EQ(drag.Track(100, 50), (AreaRect{100, 50, 200, 150}));
  EXPECT_EQ(drag.Track(350.5f, 260.5f), (AreaRect{300, 200, 50, 60}));  // 350.5 -> 350, 260.5 -> 260
  EXPECT_EQ(drag.Track(300, 200), (AreaRect{300, 200, 0, 0}));
  // Beside the picture: the current point is raised to 0, the width measured to it.
  EXPECT_EQ(drag.Track(-40.7f, -0.4f), (AreaRect{0, 0, 300, 200}));
  EXPECT_EQ(drag.CurrentX(), 0);
  // A press beside the picture starts at 0 too, so no negative area can come out.
  drag.Start(-12.5f, 7.5f);
  EXPECT_EQ(drag.StartX(), 0);
  EXPECT_EQ(drag.StartY(), 8);
  EXPECT_EQ(drag.Track(20, 3), (AreaRect{0, 3, 20, 5}));
  // Far positions stop at the 32-bit limit instead of wrapping round.
  drag.Start(0, 0);
  EXPECT_EQ(drag.Track(1e10f, 1e10f), (AreaRect{0, 0, INT32_MAX, INT32_MAX}));
}

TEST(AreaDrag, EffectTabClickDefaultsOnlyTheSideThatIsZero) {
  Settings s;
  // Only the side that is 0 takes its default; the view size is rounded halves to even.
  ASSERT_TRUE(StoreArea(kEffectAreaTab, {10, 20, 0, 30}, {320.5f, 240.5f, 320.5f, 240.5f}, s));
  EXPECT_EQ((AreaRect{s.EfctALeft, s.EfctATop, s.EfctAWidth, s.EfctAHeight}), (AreaRect{0, 20, 320, 30}));
  ASSERT_TRUE(StoreArea(kEffectAreaTab, {10, 20, 40, 0}, {320.5f, 241.5f, 0, 0}, s));
  EXPECT_EQ((AreaRect{s.EfctALeft, s.EfctATop, s.EfctAWidth, s.EfctAHeight}), (AreaRect{10, 0, 40, 242}));
}

TEST(AreaDrag, StampTabClickDefaultsUseTheImageSizeOnlyWhenTurned) {
  Settings s;
  // View and image told apart so the choice shows: unturned takes the view, turned (1 or 3) the image.
  const PreviewExtent differing{640, 480, 480, 640};
  for (int turn : {0, 2}) {
    s.op3[18] = turn;
    StoreArea(kStampAreaTab, {0, 0, 0, 0}, differing, s);
    EXPECT_EQ(s.StampAreaWidth, 590) << turn;
    EXPECT_EQ(s.StampAreaHeight, 474) << turn;
  }
  for (int turn : {1, 3}) {
    s.op3[18] = turn;
    StoreArea(kStampAreaTab, {0, 0, 0, 0}, differing, s);
    EXPECT_EQ(s.StampAreaWidth, 430) << turn;
    EXPECT_EQ(s.StampAreaHeight, 634) << turn;
  }

  s.op3[18] = 0;
  ASSERT_TRUE(StoreArea(kStampAreaTab, {30, 40, 100, 0}, {640, 480, 640, 480}, s));
  EXPECT_EQ((AreaRect{s.StampAreaLeft, s.StampAreaTop, s.StampAreaWidth, s.StampAreaHeight}),
            (AreaRect{30, 4, 100, 474}));
}

}  // namespace
}  // namespace quorvin
