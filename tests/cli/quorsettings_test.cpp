// quor-capture reads the settings Quor's window writes through Qt, without Qt: every value
// Quor's own store writes reads back the same, and what is no single string is refused.
#include "appsettings.h"
#include "profile.h"
#include "quorsettings.h"
#include "testenv.h"

#include <gtest/gtest.h>

namespace {

TEST(QuorSettings, WhatQuorsStoreWritesReadsBackTheSame)
{
    CProfile profile(QUOR_REGISTRY_KEY, QUOR_APP_NAME);
    EXPECT_EQ(QuorSettingsFile(), profile.FileName());
    const std::string values[] = {
        "pdf@zip@", "@pdf@", "@@", "a,b", "x;y=z", " lead and trail ", "tab\there", "line\nbreak",
        "quote\" and \\ back", "中文类型@文档", "\x01" "9", "[QUORFILTER]", "#no comment", "caf\xC3\xA9",
    };
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(profile.WriteProfileString("QUORFILTER", "FILTER", value));
        profile.WriteProfileString("OTHER", "FILTER", "not this one");
        CProfile reread(QUOR_REGISTRY_KEY, QUOR_APP_NAME); // written out
        ASSERT_EQ(reread.GetProfileString("QUORFILTER", "FILTER"), value);
        std::string read;
        ASSERT_TRUE(ReadIniString(ReadFile(QuorSettingsFile()), "QUORFILTER", "FILTER", read));
        EXPECT_EQ(read, value) << ReadFile(QuorSettingsFile());
    }
}

TEST(QuorSettings, WhatIsNoSingleStringIsNotTaken)
{
    std::string value = "unchanged";
    EXPECT_FALSE(ReadIniString("[QUORFILTER]\nFILTER=a, b\n", "QUORFILTER", "FILTER", value)) << "a list";
    EXPECT_FALSE(ReadIniString("[QUORFILTER]\nFILTER=@Variant(\\0\\0\\0\\x7f)\n", "QUORFILTER", "FILTER", value));
    EXPECT_FALSE(ReadIniString("[OTHER]\nFILTER=pdf\n[QUORFILTERS]\nFILTER=pdf\n", "QUORFILTER", "FILTER", value));
    EXPECT_FALSE(ReadIniString("[QUORFILTER]\nFILTERS=pdf\nFILTER\n", "QUORFILTER", "FILTER", value));
    EXPECT_FALSE(ReadIniString(std::string("[QUORFILTER\0]\nFILTER=pdf", 22), "QUORFILTER", "FILTER", value));
    EXPECT_EQ(value, "unchanged");

    EXPECT_TRUE(ReadIniString("\xEF\xBB\xBF[General]\r\n[QUORFILTER]\r\n FILTER = pdf@zip \r\nFILTER=\"doc\\x41\\101\" ; c\r\n",
                              "QUORFILTER", "FILTER", value));
    EXPECT_EQ(value, "docAA") << "the last one holds, CR LF lines";
    EXPECT_TRUE(ReadIniString("[QUORFILTER]\nFILTER=\\x110000000000\\", "QUORFILTER", "FILTER", value));
    EXPECT_EQ(value, "\xEF\xBF\xBD" "0000000\\") << "an escape past 16 bits stops there";
}

} // namespace
