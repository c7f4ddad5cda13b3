#include "appglobals.h"
#include "appsettings.h"
#include "profile.h"

#include <gtest/gtest.h>

namespace {

class Settings : public ::testing::Test
{
protected:
    void SetUp() override { g_szFileTypes = DEFAULT_FILE_TYPES; }
    void TearDown() override { g_szFileTypes = DEFAULT_FILE_TYPES; }
    CProfile profile{QUOR_REGISTRY_KEY, QUOR_APP_NAME};
};

} // namespace

TEST_F(Settings, FileTypesAreStoredWithAtSigns)
{
    ASSERT_TRUE(SaveFileTypes(profile, "pdf zip chm "));
    EXPECT_EQ(profile.GetProfileString("QUORFILTER", "FILTER"), "pdf@zip@chm@");
    g_szFileTypes = "";
    LoadFileTypes(profile);
    EXPECT_EQ(g_szFileTypes.str(), "pdf zip chm ");

    CProfile again(QUOR_REGISTRY_KEY, QUOR_APP_NAME); // read back from the file
    EXPECT_EQ(again.GetProfileString("QUORFILTER", "FILTER"), "pdf@zip@chm@");
    EXPECT_NE(again.FileName().find("Local AppWizard-Generated Applications"), std::string::npos);
}

TEST_F(Settings, StoredValuesFromOutside)
{
    profile.WriteProfileString("QUORFILTER", "FILTER", "pdf@zip");
    LoadFileTypes(profile);
    EXPECT_EQ(g_szFileTypes.str(), "pdf zip");

    g_szFileTypes = DEFAULT_FILE_TYPES;
    profile.WriteProfileString("QUORFILTER", "FILTER", "@@");
    LoadFileTypes(profile);
    EXPECT_EQ(g_szFileTypes.str(), DEFAULT_FILE_TYPES) << "two bytes or less keep the built-in list";

    profile.WriteProfileString("QUORFILTER", "FILTER", "");
    LoadFileTypes(profile);
    EXPECT_EQ(g_szFileTypes.str(), DEFAULT_FILE_TYPES);
}

TEST_F(Settings, ValuesOfAnyLengthAreCutToTheirBuffer)
{
    profile.WriteProfileString("QUORFILTER", "FILTER", std::string(100000, 'x'));
    LoadFileTypes(profile);
    EXPECT_EQ(g_szFileTypes.str(), std::string(511, 'x'));

    std::string chinese = "a";
    for (int i = 0; i < 400; ++i)
        chinese += "类";
    profile.WriteProfileString("QUORFILTER", "FILTER", chinese);
    LoadFileTypes(profile);
    EXPECT_EQ(Cp936Length(g_szFileTypes.str()), 511u);
    EXPECT_EQ(g_szFileTypes.str(), chinese.substr(0, 1 + 255 * 3));
}

TEST_F(Settings, RecentFilesKeepFourNewestFirst)
{
    for (const char* f : {"/a.xml", "/b.xml", "/c.xml", "/d.xml", "/e.xml", "/c.xml"})
        ASSERT_TRUE(AddRecentFile(profile, f));
    const auto files = LoadRecentFiles(profile);
    EXPECT_EQ(files, (std::vector<std::string>{"/c.xml", "/e.xml", "/d.xml", "/b.xml"}));
}
