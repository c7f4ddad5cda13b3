#include "sharedmemory.h"
#include "runtimedir.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<unsigned char> pattern(std::size_t size, unsigned char seed)
{
    std::vector<unsigned char> v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<unsigned char>(seed + i * 7);
    return v;
}

} // namespace

TEST(SharedMemory, PublishAndRefreshCopyTheWholeBlock)
{
    const auto data = pattern(4096, 1);
    CSharedMemory block;
    ASSERT_EQ(block.Create("SharedTest1", data.size(), data.data()), 1);

    std::vector<unsigned char> copy(data.size(), 0);
    ASSERT_EQ(CSharedMemory::Open("SharedTest1", copy.size(), copy.data()), 1);
    EXPECT_EQ(copy, data);

    const auto changed = pattern(4096, 99);
    ASSERT_EQ(block.Create("SharedTest1", changed.size(), changed.data()), 1);
    ASSERT_EQ(CSharedMemory::Open("SharedTest1", copy.size(), copy.data()), 1);
    EXPECT_EQ(copy, changed);

    struct stat st{};
    ASSERT_EQ(::stat(CSharedMemory::PathFor("SharedTest1").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    struct stat dir{};
    ASSERT_EQ(::stat(QuorRuntimeDir().c_str(), &dir), 0);
    EXPECT_EQ(dir.st_mode & 0777, 0700u);
}

TEST(SharedMemory, MissingBlockLeavesTheDestination)
{
    std::vector<unsigned char> copy(64, 0xAB);
    EXPECT_EQ(CSharedMemory::Open("NoSuchBlock", copy.size(), copy.data()), 0);
    EXPECT_EQ(copy, std::vector<unsigned char>(64, 0xAB));
}

TEST(SharedMemory, BlockGoesWithItsMakerButNotWithAPeer)
{
    const auto data = pattern(128, 3);
    {
        CSharedMemory maker;
        ASSERT_EQ(maker.Create("SharedTest2", data.size(), data.data()), 1);
        {
            CSharedMemory peer; // an editor publishing into the same block
            ASSERT_EQ(peer.Create("SharedTest2", data.size(), data.data()), 1);
        }
        EXPECT_TRUE(Exists(CSharedMemory::PathFor("SharedTest2")));
    }
    EXPECT_FALSE(Exists(CSharedMemory::PathFor("SharedTest2")));
}

TEST(SharedMemory, RefusesBlocksOfAnotherSizeAndOddNames)
{
    const std::string path = CSharedMemory::PathFor("SharedWrongSize");
    ASSERT_FALSE(path.empty());
    ASSERT_TRUE(WriteFile(path, std::string(100, 'z')));
    ::chmod(path.c_str(), 0600);

    const auto data = pattern(4096, 5);
    CSharedMemory block;
    EXPECT_LT(block.Create("SharedWrongSize", data.size(), data.data()), 0);
    EXPECT_EQ(ReadFile(path), std::string(100, 'z')) << "the other program's block is left alone";

    std::vector<unsigned char> copy(4096, 0x11);
    EXPECT_EQ(CSharedMemory::Open("SharedWrongSize", copy.size(), copy.data()), 0);
    EXPECT_EQ(copy, std::vector<unsigned char>(4096, 0x11));

    EXPECT_TRUE(CSharedMemory::PathFor("../escape").empty());
    EXPECT_TRUE(CSharedMemory::PathFor("").empty());
    EXPECT_TRUE(CSharedMemory::PathFor("..").empty());
    EXPECT_LT(block.Create("a/b", data.size(), data.data()), 0);
}

TEST(SharedMemory, DoesNotFollowALinkPlantedAtItsName)
{
    TestFolder folder;
    const std::string victim = folder.file("victim");
    ASSERT_TRUE(WriteFile(victim, std::string(4096, 'v')));
    const std::string path = CSharedMemory::PathFor("SharedLinked");
    ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);

    const auto data = pattern(4096, 9);
    CSharedMemory block;
    EXPECT_LT(block.Create("SharedLinked", data.size(), data.data()), 0);
    EXPECT_EQ(ReadFile(victim), std::string(4096, 'v'));
    ::unlink(path.c_str());
}
