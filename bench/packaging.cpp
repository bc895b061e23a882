// Writing the examinee package: one class folder with the examinee program and a term's tests.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/delivery/packaging.h"

namespace {
namespace fs = std::filesystem;

// A folder of `tests` test documents of 40 KB and a program of `programMb` MB; both are
// incompressible, as compressed documents and binaries nearly are.
fs::path makeFolder(const fs::path& root, int tests, int programMb) {
  std::mt19937 rng(7);
  auto bytes = [&](std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng());
    return s;
  };
  const fs::path dir = root / "class A";
  fs::create_directories(dir);
  for (int i = 0; i < tests; ++i) std::ofstream(dir / ("unit " + std::to_string(i) + ".ruvo")) << bytes(40 * 1024);
  std::ofstream(dir / "ruvo") << bytes(static_cast<std::size_t>(programMb) << 20);
  return dir;
}

void BM_ZipFolder(benchmark::State& state) {
  std::string t = (fs::temp_directory_path() / "benchzip-XXXXXX").string();
  const fs::path root = mkdtemp(t.data());
  const fs::path dir = makeFolder(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::string zip, error;
  for (auto _ : state) {
    if (!ruvo::delivery::ZipFolder(dir.string(), &zip, &error)) state.SkipWithError(error.c_str());
  }
  state.counters["zip_MB"] = static_cast<double>(fs::file_size(zip)) / (1 << 20);
  fs::remove_all(root);
}
BENCHMARK(BM_ZipFolder)->Args({30, 2})->Args({30, 20})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
