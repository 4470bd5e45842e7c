// The byte wait's time limit on the 32-bit millisecond tick.
#include <gtest/gtest.h>

#include "deadline.h"

namespace serlink {
namespace {

TEST(Deadline, PassesAfterMoreThanTheWaitAlsoAcrossTheTickWrap) {
    const Deadline d(0xFFFFFFF0u, 100);  // the tick wraps 16 ms in
    EXPECT_FALSE(d.passed(0xFFFFFFF0u));
    EXPECT_EQ(d.remaining(0xFFFFFFF0u), 101u);
    EXPECT_FALSE(d.passed(0x54u));  // 100 ms elapsed: not yet
    EXPECT_EQ(d.remaining(0x54u), 1u);
    EXPECT_TRUE(d.passed(0x55u));
    // The longest wait sleeps no longer than the tick can count.
    EXPECT_EQ(Deadline(5, 0xFFFFFFFFu).remaining(5), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace serlink
