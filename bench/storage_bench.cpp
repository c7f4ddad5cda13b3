// The storage functions on a data folder with many day folders.
#include "appglobals.h"
#include "storage.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// A data folder of 200 days with 50 articles each.
const std::string& dataFolder()
{
    static const std::string folder = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "quor-bench-XXXXXX").string();
        ::mkdtemp(dir.data());
        SetDataFolder(dir);
        for (int day = 0; day < 200; ++day)
            for (int n = 0; n < 50; ++n) {
                char id[16];
                std::snprintf(id, sizeof id, "07%04d%09d", day, n);
                std::ofstream(GetArticlePath(id)) << "<p>x</p>";
            }
        return dir;
    }();
    return folder;
}

void BM_MakeArticleId(benchmark::State& state)
{
    dataFolder();
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeArticleId());
}

void BM_ResolveArticleFile(benchmark::State& state)
{
    dataFolder();
    for (auto _ : state)
        benchmark::DoNotOptimize(ResolveArticleFile("070150000000025.html"));
}

void BM_GetExistingPathWildcard(benchmark::State& state)
{
    const std::string pattern = dataFolder() + "/070150/070150000000025.*";
    for (auto _ : state)
        benchmark::DoNotOptimize(GetExistingPath(pattern));
}

} // namespace

BENCHMARK(BM_MakeArticleId);
BENCHMARK(BM_ResolveArticleFile);
BENCHMARK(BM_GetExistingPathWildcard);
