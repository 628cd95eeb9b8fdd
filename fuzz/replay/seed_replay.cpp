// A fuzz target as a plain program: it runs the target once on the empty input and once on each
// file of the folder it is given, so every seed is checked by the ordinary compiler and its
// sanitizers with the other tests, without clang. A broken invariant aborts here as under the
// fuzzer; a seed that no longer reads cannot pass unnoticed.
//
//   replay_NAME fuzz/corpus/NAME

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// Sorted, so a failing run names the same seed every time.
std::vector<fs::path> seedsIn(const fs::path& folder, std::error_code& error) {
  std::vector<fs::path> seeds;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file()) seeds.push_back(it->path());
  }
  std::sort(seeds.begin(), seeds.end());
  return seeds;
}

// The bytes sit in a block of exactly their size, as the fuzzer hands them over, so that
// AddressSanitizer sees a read one past the end.
bool runSeed(const fs::path& seed) {
  std::ifstream in(seed, std::ios::binary);
  std::error_code error;
  const std::uintmax_t size = fs::file_size(seed, error);
  if (!in || error) return false;
  auto bytes = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(size))) {
    return false;
  }
  std::fprintf(stderr, "%s (%ju bytes)\n", seed.c_str(), size);
  LLVMFuzzerTestOneInput(bytes.get(), static_cast<std::size_t>(size));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  std::error_code error;
  const std::vector<fs::path> seeds = seedsIn(argv[1], error);
  if (error || seeds.empty()) {
    std::fprintf(stderr, "no seeds in %s\n", argv[1]);
    return 1;
  }
  // libFuzzer tries the empty input before any seed; a target must take it too.
  const auto empty = std::make_unique<std::uint8_t[]>(0);
  LLVMFuzzerTestOneInput(empty.get(), 0);
  for (const fs::path& seed : seeds) {
    if (!runSeed(seed)) {
      std::fprintf(stderr, "cannot read %s\n", seed.c_str());
      return 1;
    }
  }
  std::printf("%zu seeds and the empty input passed\n", seeds.size());
  return 0;
}
