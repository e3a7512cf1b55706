#include "Shell/QuietRelease.h"

#include <gtest/gtest.h>

namespace kivari {
namespace {

using std::chrono::milliseconds;

// Released once per stretch of painting, at the end of the quiet that
// follows it; a window that never paints is never asked.
TEST(QuietRelease, ReleasesOnceAfterTheQuietThatFollowsPainting) {
  ManualScheduler scheduler;
  int released = 0;
  {
    QuietRelease quiet(scheduler, milliseconds(2000), [&] { ++released; });
    scheduler.advance(milliseconds(10000));
    EXPECT_EQ(released, 0);
    quiet.painted();
    scheduler.advance(milliseconds(1500));
    quiet.painted();  // a cursor blink: still painting
    scheduler.advance(milliseconds(1999));
    EXPECT_EQ(released, 0);
    scheduler.advance(milliseconds(1));
    EXPECT_EQ(released, 1);
    scheduler.advance(milliseconds(10000));
    EXPECT_EQ(released, 1);
    quiet.painted();
  }
  scheduler.advance(milliseconds(10000));  // gone with its owner
  EXPECT_EQ(released, 1);
}

}  // namespace
}  // namespace kivari
