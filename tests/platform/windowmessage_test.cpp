#include "windowmessage.h"

#include <gtest/gtest.h>

TEST(WindowMessage, DatagramIsSixteenBytesLittleEndian)
{
    const WindowMessage m{0x01020304, 0x463, 2, -1};
    const auto bytes = m.Encode();
    const unsigned char expected[16] = {4, 3, 2, 1, 0x63, 4, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected));

    const auto back = WindowMessage::Decode(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->handle, m.handle);
    EXPECT_EQ(back->message, m.message);
    EXPECT_EQ(back->wParam, m.wParam);
    EXPECT_EQ(back->lParam, m.lParam);

    EXPECT_FALSE(WindowMessage::Decode(bytes.data(), 15));
    EXPECT_FALSE(WindowMessage::Decode(bytes.data(), 17));
    EXPECT_FALSE(WindowMessage::Decode(nullptr, 16));
}

TEST(WindowMessage, PostingToAWindowThatDoesNotListenFails)
{
    EXPECT_FALSE(PostWindowMessage(999999, 0x463, 1, 1));
    EXPECT_FALSE(PostWindowMessage(0, 0x463, 1, 1));
}
