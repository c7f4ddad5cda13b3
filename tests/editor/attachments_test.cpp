#include "attachments.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Attachments, NamesAreMadeSafe)
{
    EXPECT_EQ(SanitizeFileName("/home/u/My Photo (1).JPG"), "My_Photo_1.jpg");
    EXPECT_EQ(SanitizeFileName("../../.bashrc"), "bashrc");
    EXPECT_EQ(SanitizeFileName("中文.png"), "picture.png");
    EXPECT_EQ(SanitizeFileName("a.p\"ng<"), "a.png");
    EXPECT_EQ(SanitizeFileName(std::string(200, 'x') + ".gif").size(), 80u);
}

TEST(Attachments, PicturesAreCopiedBesideTheArticleAndNeverOverwrite)
{
    TestFolder folder;
    const std::string article = folder.file("A1.html");
    ASSERT_TRUE(WriteFile(folder.file("pic.PNG"), "one"));
    std::string error;
    EXPECT_EQ(CopyIntoAttachments(folder.file("pic.PNG"), article, "A1_files", error), "A1_files/pic.png") << error;
    ASSERT_TRUE(WriteFile(folder.file("pic.PNG"), "two"));
    EXPECT_EQ(CopyIntoAttachments(folder.file("pic.PNG"), article, "A1_files", error), "A1_files/pic-2.png");
    EXPECT_EQ(ReadFile(folder.file("A1_files/pic.png")), "one");
    EXPECT_EQ(ReadFile(folder.file("A1_files/pic-2.png")), "two");

    // One already there is linked, not copied; odd folder names are escaped in the link.
    EXPECT_EQ(CopyIntoAttachments(folder.file("A1_files/pic.png"), article, "A1_files", error), "A1_files/pic.png");
    std::filesystem::create_directory(folder.file("a b#"));
    EXPECT_EQ(CopyIntoAttachments(folder.file("pic.PNG"), article, "a b#", error), "a%20b%23/pic.png");
}

TEST(Attachments, NothingIsWrittenOutsideTheArticlesFolder)
{
    TestFolder folder;
    const std::string article = folder.file("day/A1.html");
    std::filesystem::create_directories(folder.file("day"));
    std::filesystem::create_directories(folder.file("elsewhere"));
    ASSERT_TRUE(WriteFile(folder.file("pic.png"), "x"));
    std::string error;
    for (const char* name : {"../elsewhere", "a/b", "..", ""})
        EXPECT_EQ(CopyIntoAttachments(folder.file("pic.png"), article, name, error), "") << name;
    std::filesystem::create_directory_symlink(folder.file("elsewhere"), folder.file("day/A1_files"));
    EXPECT_EQ(CopyIntoAttachments(folder.file("pic.png"), article, "A1_files", error), "");
    EXPECT_NE(error.find("not a folder"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("elsewhere")));
    EXPECT_EQ(CopyIntoAttachments(folder.file("nothing.png"), article, "new_files", error), "");
}
