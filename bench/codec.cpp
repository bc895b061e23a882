// BDC encode/decode against zlib and a plain copy, on 1 MB of RTF-like text and 1 MB of
// random bytes. Throughput counts the uncompressed bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/storage/deltacode.h"

namespace {

constexpr std::size_t kSize = 1 << 20;

// What a rich-edit control writes for a test document: control words, CP932 escapes,
// English passages.
const std::string& rtfText() {
  static const std::string text = [] {
    std::mt19937 rng(42);
    static const char* words[] = {"the",       "reading", "passage", "of",     "a",       "student", "who",
                                  "was",       "asked",   "to",      "read",   "quickly", "and",     "answer",
                                  "questions", "about",   "it",      "in",     "English", "class",   "time",
                                  "minutes",   "words",   "per",     "minute", "test"};
    std::string s =
        "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl{\\f0\\fnil\\fcharset128 "
        "\\'82\\'6c\\'82\\'72 \\'82\\'6f\\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}{\\f1\\fnil\\fcharset0 Times New "
        "Roman;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs24 ";
    while (s.size() < kSize) {
      const unsigned kind = rng() % 10;
      if (kind == 0) {
        s += "\\par\r\n<page kind=1 grade=5>\\par\r\n";
      } else if (kind == 1) {
        static const char* jp[] = {"\\'96\\'bc\\'91\\'4f", "\\'93\\'fa\\'96\\'7b", "\\'8e\\'9e\\'8a\\'d4",
                                   "\\'96\\'e2\\'91\\'e8"};
        s += jp[rng() % 4];
      } else if (kind == 2) {
        s += "\\par\r\n\\pard\\fi-200\\li400\\f1\\fs20 ";
      } else {
        for (int w = 0; w < 12; ++w) {
          s += words[rng() % (sizeof words / sizeof *words)];
          s += rng() % 9 == 0 ? ", " : " ";
        }
        s += ".";
      }
    }
    s.resize(kSize);
    return s;
  }();
  return text;
}

const std::string& randomBytes() {
  static const std::string bytes = [] {
    std::mt19937_64 rng(7);
    std::string s(kSize, '\0');
    for (std::size_t i = 0; i < kSize; i += 8) {
      const std::uint64_t v = rng();
      std::memcpy(&s[i], &v, 8);
    }
    return s;
  }();
  return bytes;
}

const std::string& input(int which) { return which == 0 ? rtfText() : randomBytes(); }
const char* label(int which) { return which == 0 ? "rtf" : "random"; }

void BM_BdcEncode(benchmark::State& state) {
  const std::string& in = input(static_cast<int>(state.range(0)));
  ruvo::storage::TDeltaCode codec;
  for (auto _ : state) {
    codec.PlainStream = in;
    (void)codec.Encode();
    benchmark::DoNotOptimize(codec.CodedStream.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.SetLabel(std::string(label(static_cast<int>(state.range(0)))) + " ratio " +
                 std::to_string(static_cast<double>(codec.CodedStream.size()) / static_cast<double>(in.size())));
}

void BM_BdcDecode(benchmark::State& state) {
  const std::string& in = input(static_cast<int>(state.range(0)));
  const std::string coded = ruvo::storage::TDeltaCode::encode(in);
  ruvo::storage::TDeltaCode codec;
  for (auto _ : state) {
    codec.CodedStream = coded;
    if (!codec.Decode()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(codec.PlainStream.data());
  }
  if (codec.PlainStream != in) state.SkipWithError("round trip differs");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.SetLabel(label(static_cast<int>(state.range(0))));
}

void BM_ZlibCompress(benchmark::State& state) {
  const std::string& in = input(static_cast<int>(state.range(0)));
  std::vector<Bytef> out(compressBound(static_cast<uLong>(in.size())));
  uLongf outLen = 0;
  for (auto _ : state) {
    outLen = static_cast<uLongf>(out.size());
    compress(out.data(), &outLen, reinterpret_cast<const Bytef*>(in.data()), static_cast<uLong>(in.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.SetLabel(std::string(label(static_cast<int>(state.range(0)))) + " ratio " +
                 std::to_string(static_cast<double>(outLen) / static_cast<double>(in.size())));
}

void BM_ZlibUncompress(benchmark::State& state) {
  const std::string& in = input(static_cast<int>(state.range(0)));
  std::vector<Bytef> packed(compressBound(static_cast<uLong>(in.size())));
  uLongf packedLen = static_cast<uLongf>(packed.size());
  compress(packed.data(), &packedLen, reinterpret_cast<const Bytef*>(in.data()), static_cast<uLong>(in.size()));
  std::string out(in.size(), '\0');
  for (auto _ : state) {
    uLongf outLen = static_cast<uLongf>(out.size());
    uncompress(reinterpret_cast<Bytef*>(out.data()), &outLen, packed.data(), packedLen);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.SetLabel(label(static_cast<int>(state.range(0))));
}

void BM_Memcpy(benchmark::State& state) {
  const std::string& in = input(static_cast<int>(state.range(0)));
  std::string out(in.size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
  state.SetLabel(label(static_cast<int>(state.range(0))));
}

}  // namespace

BENCHMARK(BM_BdcEncode)->Arg(0)->Arg(1);
BENCHMARK(BM_BdcDecode)->Arg(0)->Arg(1);
BENCHMARK(BM_ZlibCompress)->Arg(0)->Arg(1);
BENCHMARK(BM_ZlibUncompress)->Arg(0)->Arg(1);
BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1);
BENCHMARK_MAIN();
