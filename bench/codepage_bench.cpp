// Code page 936 conversion against iconv alone on the same text, in the same run.
#include "codepage.h"

#include <benchmark/benchmark.h>

#include <iconv.h>
#include <string>

namespace {

std::string chineseText(std::size_t bytes)
{
    std::string s;
    while (s.size() < bytes)
        s += "中文网页收藏与整理，Quor 个人文章库。";
    return s;
}

std::string withRareCharacters(std::size_t bytes)
{
    std::string s;
    while (s.size() < bytes)
        s += "中文😀ก text ";
    return s;
}

void BM_Utf8ToCp936(benchmark::State& state)
{
    const std::string text = chineseText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Utf8ToCp936(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Utf8ToCp936OutsideGbk(benchmark::State& state)
{
    const std::string text = withRareCharacters(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(Utf8ToCp936(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Cp936ToUtf8(benchmark::State& state)
{
    const std::string bytes = Utf8ToCp936(chineseText(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(Cp936ToUtf8(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// The reference: one iconv call over the whole text, descriptor opened once.
void BM_RawIconvUtf8ToGbk(benchmark::State& state)
{
    const std::string text = chineseText(static_cast<std::size_t>(state.range(0)));
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string out(text.size(), '\0');
    for (auto _ : state) {
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* o = out.data();
        std::size_t outLeft = out.size();
        iconv(cd, &in, &inLeft, &o, &outLeft);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_CutTitle(benchmark::State& state)
{
    const std::string title = chineseText(4000);
    for (auto _ : state)
        benchmark::DoNotOptimize(Cp936CutUtf8(title, 1323));
}

} // namespace

BENCHMARK(BM_Utf8ToCp936)->Arg(64)->Arg(64 << 10)->Arg(8 << 20);
BENCHMARK(BM_RawIconvUtf8ToGbk)->Arg(64)->Arg(64 << 10)->Arg(8 << 20);
BENCHMARK(BM_Utf8ToCp936OutsideGbk)->Arg(64 << 10);
BENCHMARK(BM_Cp936ToUtf8)->Arg(64 << 10)->Arg(8 << 20);
BENCHMARK(BM_CutTitle);
