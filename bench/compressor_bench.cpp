// Compressor throughput and ratio next to LZ4 and zlib level 1, on the same reproducible corpus:
// generated text and generated binary records. Run: build/bench/bench/compressor_bench
#include "tally/LZRW1.h"

#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t corpusSize = 4 << 20;

// Words drawn with a skewed distribution, numbers, punctuation and line breaks.
Bytes makeText() {
    static const char* const words[] = {
        "the",    "of",     "and",     "to",     "a",     "in",      "is",      "that",
        "for",    "it",     "as",      "was",    "with",  "be",      "by",      "on",
        "not",    "he",     "this",    "are",    "or",    "his",     "from",    "at",
        "which",  "but",    "have",    "an",     "had",   "they",    "you",     "were",
        "flower", "garden", "bloom",   "petal",  "level", "score",   "player",  "board",
        "column", "colour", "cleared", "points", "round", "falling", "group",   "highest",
        "window", "record", "tally",   "games",  "total", "reached", "between", "whether"};
    std::mt19937 random(20240501);
    std::geometric_distribution<int> pick(0.08);
    Bytes out;
    out.reserve(corpusSize + 64);
    int inLine = 0;
    while (out.size() < corpusSize) {
        std::string word;
        if (random() % 17 == 0) {
            word = std::to_string(random() % 100000);
        } else {
            word = words[static_cast<std::size_t>(pick(random)) % std::size(words)];
        }
        out.insert(out.end(), word.begin(), word.end());
        const unsigned r = random() % 20;
        out.push_back(r == 0 ? ',' : r == 1 ? '.' : ' ');
        if (++inLine > 10 && random() % 4 == 0) {
            out.push_back('\r');
            out.push_back('\n');
            inLine = 0;
        }
    }
    out.resize(corpusSize);
    return out;
}

// Records as a program would store them: counters, slowly moving values, small flags, padding,
// a few noisy bytes.
Bytes makeBinary() {
    std::mt19937 random(1234567);
    Bytes out;
    out.reserve(corpusSize + 64);
    std::uint32_t id = 1000;
    float x = 0.0f;
    while (out.size() < corpusSize) {
        std::uint8_t record[32] = {};
        id += 1 + random() % 3;
        x += static_cast<float>(random() % 100) / 1000.0f;
        const std::uint16_t kind = static_cast<std::uint16_t>(random() % 6);
        const std::uint32_t noise = static_cast<std::uint32_t>(random());
        std::memcpy(record, &id, 4);
        std::memcpy(record + 4, &x, 4);
        std::memcpy(record + 8, &kind, 2);
        std::memcpy(record + 16, &noise, random() % 2 == 0 ? 4 : 1);
        out.insert(out.end(), record, record + sizeof record);
    }
    out.resize(corpusSize);
    return out;
}

const Bytes& corpus(std::int64_t which) {
    static const Bytes text = makeText();
    static const Bytes binary = makeBinary();
    return which == 0 ? text : binary;
}

void report(benchmark::State& state, std::size_t original, std::size_t packed) {
    state.SetLabel(state.range(0) == 0 ? "text" : "binary");
    const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(original);
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
    state.counters["ratio"] = static_cast<double>(packed) / static_cast<double>(original);
}

void lzrw1Compress(benchmark::State& state, TCompressMode mode) {
    const Bytes& input = corpus(state.range(0));
    Tlzrw1 lzrw;
    lzrw.UseStream = true;
    lzrw.CompressMode = mode;
    lzrw.inputStream = input;
    for (auto _ : state) {
        lzrw.Compress();
        benchmark::DoNotOptimize(lzrw.outputStream.data());
    }
    report(state, input.size(), lzrw.outputStream.size());
}

void lzrw1Decompress(benchmark::State& state, TCompressMode mode) {
    const Bytes& input = corpus(state.range(0));
    Tlzrw1 lzrw;
    lzrw.UseStream = true;
    lzrw.CompressMode = mode;
    lzrw.inputStream = input;
    lzrw.Compress();
    const std::size_t packed = lzrw.outputStream.size();
    lzrw.inputStream.swap(lzrw.outputStream);
    for (auto _ : state) {
        lzrw.Decompress();
        benchmark::DoNotOptimize(lzrw.outputStream.data());
    }
    if (lzrw.outputStream != input) {
        state.SkipWithError("round trip failed");
    }
    report(state, input.size(), packed);
}

void BM_FastCompress(benchmark::State& state) {
    lzrw1Compress(state, TCompressMode::Fast);
}
void BM_FastDecompress(benchmark::State& state) {
    lzrw1Decompress(state, TCompressMode::Fast);
}
void BM_GoodCompress(benchmark::State& state) {
    lzrw1Compress(state, TCompressMode::Good);
}
void BM_GoodDecompress(benchmark::State& state) {
    lzrw1Decompress(state, TCompressMode::Good);
}

void BM_Lz4Compress(benchmark::State& state) {
    const Bytes& input = corpus(state.range(0));
    Bytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(input.size()))));
    int packed = 0;
    for (auto _ : state) {
        packed = LZ4_compress_default(reinterpret_cast<const char*>(input.data()),
                                      reinterpret_cast<char*>(out.data()),
                                      static_cast<int>(input.size()), static_cast<int>(out.size()));
        benchmark::DoNotOptimize(out.data());
    }
    report(state, input.size(), static_cast<std::size_t>(packed));
}

void BM_Lz4Decompress(benchmark::State& state) {
    const Bytes& input = corpus(state.range(0));
    Bytes packed(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(input.size()))));
    const int size = LZ4_compress_default(
        reinterpret_cast<const char*>(input.data()), reinterpret_cast<char*>(packed.data()),
        static_cast<int>(input.size()), static_cast<int>(packed.size()));
    Bytes out(input.size());
    for (auto _ : state) {
        LZ4_decompress_safe(reinterpret_cast<const char*>(packed.data()),
                            reinterpret_cast<char*>(out.data()), size,
                            static_cast<int>(out.size()));
        benchmark::DoNotOptimize(out.data());
    }
    if (out != input) {
        state.SkipWithError("round trip failed");
    }
    report(state, input.size(), static_cast<std::size_t>(size));
}

void BM_ZlibCompress(benchmark::State& state) {
    const Bytes& input = corpus(state.range(0));
    Bytes out(compressBound(static_cast<uLong>(input.size())));
    uLongf packed = 0;
    for (auto _ : state) {
        packed = out.size();
        compress2(out.data(), &packed, input.data(), input.size(), 1);
        benchmark::DoNotOptimize(out.data());
    }
    report(state, input.size(), packed);
}

void BM_ZlibDecompress(benchmark::State& state) {
    const Bytes& input = corpus(state.range(0));
    Bytes packed(compressBound(static_cast<uLong>(input.size())));
    uLongf size = packed.size();
    compress2(packed.data(), &size, input.data(), input.size(), 1);
    Bytes out(input.size());
    for (auto _ : state) {
        uLongf outSize = out.size();
        uncompress(out.data(), &outSize, packed.data(), size);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != input) {
        state.SkipWithError("round trip failed");
    }
    report(state, input.size(), size);
}

} // namespace

// Argument 0 is the text corpus, 1 the binary corpus.
BENCHMARK(BM_FastCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lz4Compress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GoodCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FastDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lz4Decompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GoodDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

namespace {

// The console report, plus the Fast coder's throughput as a share of LZ4's at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Named by the benchmark library.
    void ReportRuns(const std::vector<Run>& reports) override {
        for (const Run& run : reports) {
            const auto rate = run.counters.find("MB/s");
            if (run.run_type == Run::RT_Iteration && rate != run.counters.end()) {
                m_rates[run.benchmark_name()] = rate->second.value;
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }

    void printRatios() const {
        std::printf("\nFast coder vs LZ4 (MB/s, ratio):\n");
        for (const char* const way : {"Compress", "Decompress"}) {
            for (const char* const corpus : {"0", "1"}) {
                const auto fast = m_rates.find(std::string("BM_Fast") + way + "/" + corpus);
                const auto lz4 = m_rates.find(std::string("BM_Lz4") + way + "/" + corpus);
                if (fast == m_rates.end() || lz4 == m_rates.end() || lz4->second <= 0) {
                    continue;
                }
                std::printf("  %-10s %-6s %8.0f vs %8.0f  %.2fx\n", way,
                            corpus[0] == '0' ? "text" : "binary", fast->second, lz4->second,
                            fast->second / lz4->second);
            }
        }
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
