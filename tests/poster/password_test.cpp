#include "password.h"

#include "codepage.h"

#include <gtest/gtest.h>

#include <set>

TEST(Password, EveryAlphabetPasswordComesBackAndTakesTwoBytesPerCharacter)
{
    const std::string all = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz123456789_0";
    for (const std::string& password : {all, std::string("s3cret_9"), std::string("0"), std::string("Zz_")}) {
        const std::string scrambled = EncodePassword(password);
        EXPECT_EQ(scrambled.size(), password.size() * 2);
        EXPECT_EQ(DecodePassword(scrambled), password);
        for (const char c : scrambled)
            EXPECT_GE(static_cast<unsigned char>(c), 0x40) << "an ASCII byte in " << password;
    }
}

TEST(Password, TableHoldsSixtyFourDistinctChineseCharacters)
{
    std::set<std::string> seen;
    for (const char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz123456789_")) {
        const std::string entry = EncodePassword(std::string(1, c));
        ASSERT_EQ(entry.size(), 2u);
        ASSERT_GE(static_cast<unsigned char>(entry[0]), 0x81);
        const std::string utf8 = Cp936ToUtf8(entry);
        EXPECT_EQ(utf8.size(), 3u) << "not one CJK character: " << c;
        seen.insert(entry);
    }
    EXPECT_EQ(seen.size(), 62u);
    // "0" stands twice in the alphabet and always takes its first entry.
    EXPECT_EQ(seen.count(EncodePassword("0")), 0u);
}

TEST(Password, EmptyAndForeignStoredValues)
{
    EXPECT_EQ(EncodePassword(""), "");
    EXPECT_EQ(DecodePassword(""), "");
    // Typed into the settings by hand.
    EXPECT_EQ(DecodePassword("secret"), "");
    // Valid at first, then not: the valid beginning.
    EXPECT_EQ(DecodePassword(EncodePassword("ab") + "xy" + EncodePassword("cd")), "ab");
    EXPECT_EQ(DecodePassword(EncodePassword("ab") + Utf8ToCp936("中")), "ab");
    // An odd byte at the end is not half a character.
    EXPECT_EQ(DecodePassword(EncodePassword("abc") + "\x81"), "abc");
    EXPECT_EQ(DecodePassword(EncodePassword("abc").substr(0, 5)), "ab");
}

TEST(Password, OnlyAlphabetCharactersCanBeStored)
{
    EXPECT_TRUE(IsStorablePassword(""));
    EXPECT_TRUE(IsStorablePassword("Abc_019"));
    EXPECT_FALSE(IsStorablePassword("a&b"));
    EXPECT_FALSE(IsStorablePassword("pass word"));
    EXPECT_FALSE(IsStorablePassword(Utf8ToCp936("密码")));
    EXPECT_FALSE(IsStorablePassword(std::string("a\0b", 3)));
    // What cannot be stored is left out rather than stored as something else.
    EXPECT_EQ(DecodePassword(EncodePassword("a&b")), "ab");
}
