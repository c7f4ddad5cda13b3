#include "fileutil.h"
#include "shell.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void makeExecutable(const std::string& path)
{
    WriteFile(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), 0755);
}

} // namespace

TEST(Shell, MoveToTrashUsesTheUsersTrash)
{
    TestFolder folder;
    const std::string file = folder.file("article.html");
    ASSERT_TRUE(WriteFile(file, "<p>x</p>"));
    std::string error;
    ASSERT_TRUE(MoveToTrash(file, &error)) << error;
    EXPECT_FALSE(Exists(file));
    const std::string trash = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash";
    EXPECT_EQ(ReadFile(trash + "/files/article.html"), "<p>x</p>");
    EXPECT_TRUE(Exists(trash + "/info/article.html.trashinfo"));

    EXPECT_FALSE(MoveToTrash(folder.file("missing"), &error));
    EXPECT_FALSE(error.empty());
}

TEST(Shell, TheTrashIsMadeWhenMissingAndAFileStaysWhenItCannotBe)
{
    TestFolder folder;
    const std::string oldData = std::getenv("XDG_DATA_HOME");
    const std::string cwd = CurrentFolder();
    ASSERT_EQ(::chdir(folder.path().c_str()), 0);
    const std::string file = folder.file("a.html");

    // A fresh account: no ~/.local/share yet.
    ::setenv("XDG_DATA_HOME", folder.file("fresh/.local/share").c_str(), 1);
    ASSERT_TRUE(WriteFile(file, "a"));
    std::string error;
    ASSERT_TRUE(MoveToTrash(file, &error)) << error;
    EXPECT_EQ(ReadFile(folder.file("fresh/.local/share/Trash/files/a.html")), "a");

    // Where no trash can be made, the file stays and the reason is given; nothing lands in
    // the current folder.
    ASSERT_TRUE(WriteFile(folder.file("blocker"), "a file where a folder should be"));
    ::setenv("XDG_DATA_HOME", folder.file("blocker/share").c_str(), 1);
    ASSERT_TRUE(WriteFile(file, "b"));
    EXPECT_FALSE(MoveToTrash(file, &error));
    EXPECT_NE(error.find("trash"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(file), "b");
    EXPECT_FALSE(Exists(folder.file("files")));
    EXPECT_FALSE(Exists(folder.file("info")));

    ::setenv("XDG_DATA_HOME", oldData.c_str(), 1);
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
}

TEST(Shell, FindProgramLooksInTheCurrentFolderThenTheGivenOnesThenPath)
{
    TestFolder folder;
    const std::string cwd = folder.file("cwd"), own = folder.file("own"), bin = folder.file("bin");
    for (const auto& d : {cwd, own, bin})
        std::filesystem::create_directories(d);
    makeExecutable(bin + "/Scrivel");
    makeExecutable(own + "/Scrivel");
    WriteFile(cwd + "/Scrivel", "not executable");

    const std::string oldPath = std::getenv("PATH");
    char* oldCwd = ::getcwd(nullptr, 0);
    ::setenv("PATH", bin.c_str(), 1);
    ASSERT_EQ(::chdir(cwd.c_str()), 0);

    EXPECT_EQ(FindProgram("Scrivel", {own}), own + "/Scrivel");
    EXPECT_EQ(FindProgram("Scrivel"), bin + "/Scrivel");
    makeExecutable(cwd + "/Scrivel");
    EXPECT_EQ(FindProgram("Scrivel", {own}), cwd + "/Scrivel");
    EXPECT_EQ(FindProgram("NoSuchProgram", {own}), "");
    EXPECT_EQ(FindProgram(""), "");
    EXPECT_EQ(FindProgram(own + "/Scrivel"), own + "/Scrivel");

    ::setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(::chdir(oldCwd), 0);
    std::free(oldCwd);
}
