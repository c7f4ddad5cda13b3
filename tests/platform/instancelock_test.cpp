#include "instancelock.h"

#include <gtest/gtest.h>

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainAfterRelease)
{
    CInstanceLock first;
    ASSERT_EQ(first.TryLock("LockTest"), CInstanceLock::Result::Acquired);
    CInstanceLock second;
    EXPECT_EQ(second.TryLock("LockTest"), CInstanceLock::Result::HeldByAnother);
    EXPECT_FALSE(second.IsHeld());

    CInstanceLock other;
    EXPECT_EQ(other.TryLock("OtherLock"), CInstanceLock::Result::Acquired);

    first.Release();
    EXPECT_EQ(second.TryLock("LockTest"), CInstanceLock::Result::Acquired);
    EXPECT_EQ(CInstanceLock().TryLock("bad/name"), CInstanceLock::Result::Failed);
}
