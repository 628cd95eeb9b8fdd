#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "dif/dif_applier.h"
#include "dif/dif_writer.h"
#include "platform/file_system.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace hm {
namespace {

// The worst case for record count: the largest pair, every other byte changed, so
// 8,388,608 one-byte blocks and a DIF of about 143 MB.
constexpr std::size_t kImageSize = 0xFFFFFF;

struct Workload {
  ByteImage source{kImageSize};
  ByteImage target{kImageSize};
  BlockList list;
  ByteImage dif;
  std::string folder;

  Workload() {
    for (std::size_t i = 0; i < kImageSize; ++i) {
      source[i] = static_cast<std::uint8_t>(i * 7);
      target[i] = static_cast<std::uint8_t>(i % 2 == 0 ? source[i] + 1 : source[i]);
    }
    list.reserve(kImageSize / 2 + 1);
    BlockList::Batch batch(list);
    BlockLine line{LineForm::Normal, 0, 0, 1, 1, 0, ""};
    for (std::size_t a = 0; a < kImageSize; a += 2) {
      line.start = line.end = static_cast<std::int32_t>(a);
      list.insert(list.count(), line);
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "hexmarshal-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data())) folder = pattern;
  }

  ~Workload() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }

  const ByteImage& difBytes() {
    if (dif.empty()) {
      std::string path = folder + "/setup.dif";
      if (writeDif(realFileSystem(), path, list, target.bytes()).ok()) {
        dif = std::move(*realFileSystem().read(path));
      }
    }
    return dif;
  }
};

Workload& workload() {
  static Workload w;
  return w;
}

// The real file system, timing each commit: the fsync before the rename is the part of a write
// that the program cannot speed up.
class CommitTimingFileSystem : public FileSystem {
 public:
  double commitSeconds = 0;

  std::optional<FileInfo> stat(const std::string& path) override {
    return realFileSystem().stat(path);
  }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    return realFileSystem().read(path, maxBytes);
  }
  std::unique_ptr<OutputFile> create(const std::string& path) override {
    std::unique_ptr<OutputFile> inner = realFileSystem().create(path);
    if (!inner) return nullptr;
    return std::make_unique<Output>(*this, std::move(inner));
  }
  bool makeFolders(const std::string& path) override { return realFileSystem().makeFolders(path); }

 private:
  class Output : public OutputFile {
   public:
    Output(CommitTimingFileSystem& fs, std::unique_ptr<OutputFile> inner)
        : fs_(fs), inner_(std::move(inner)) {}
    bool write(const void* data, std::size_t size) override { return inner_->write(data, size); }
    bool prepare() override {
      return timed([this] { return inner_->prepare(); });
    }
    bool publish(bool keepPrevious) override {
      return timed([this, keepPrevious] { return inner_->publish(keepPrevious); });
    }

   private:
    template <class Step>
    bool timed(Step step) {
      auto begin = std::chrono::steady_clock::now();
      bool ok = step();
      fs_.commitSeconds +=
          std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
      return ok;
    }

    CommitTimingFileSystem& fs_;
    std::unique_ptr<OutputFile> inner_;
  };
};

// Formatting alone: every byte is accepted and dropped.
class NullFileSystem : public FileSystem {
 public:
  std::optional<FileInfo> stat(const std::string&) override { return std::nullopt; }
  std::optional<ByteImage> read(const std::string&, std::size_t) override { return std::nullopt; }
  std::unique_ptr<OutputFile> create(const std::string&) override {
    return std::make_unique<Output>();
  }
  bool makeFolders(const std::string&) override { return true; }

 private:
  class Output : public OutputFile {
   public:
    bool write(const void* data, std::size_t size) override {
      benchmark::DoNotOptimize(data);
      benchmark::DoNotOptimize(size);
      return true;
    }
    bool publish(bool) override { return true; }
  };
};

void runWrite(benchmark::State& state, FileSystem& fs) {
  Workload& w = workload();
  std::string path = w.folder + "/bench.dif";
  for (auto _ : state) {
    if (!writeDif(fs, path, w.list, w.target.bytes()).ok()) state.SkipWithError("write failed");
  }
  state.counters["blocks"] = w.list.count();
}

void BM_WriteDif(benchmark::State& state) {
  CommitTimingFileSystem fs;
  runWrite(state, fs);
  state.counters["commit_ms"] = 1000 * fs.commitSeconds / static_cast<double>(state.iterations());
}
void BM_WriteDifFormattingOnly(benchmark::State& state) {
  NullFileSystem fs;
  runWrite(state, fs);
}

void runApply(benchmark::State& state, FileSystem& fs) {
  Workload& w = workload();
  const ByteImage& dif = w.difBytes();
  ByteImage bin = ByteImage::uninitialized(kImageSize);
  std::copy_n(w.source.data(), kImageSize, bin.data());
  std::string path = w.folder + "/bench.bin";
  for (auto _ : state) {
    if (!checkDif(dif.bytes()).ok()) state.SkipWithError("check failed");
    applyDif(dif.bytes(), bin);
    if (!writeBin(fs, path, bin.bytes()).ok()) state.SkipWithError("write failed");
  }
}

void BM_ApplyDif(benchmark::State& state) {
  CommitTimingFileSystem fs;
  runApply(state, fs);
  state.counters["commit_ms"] = 1000 * fs.commitSeconds / static_cast<double>(state.iterations());
}

void BM_CheckAndApplyInMemory(benchmark::State& state) {
  Workload& w = workload();
  const ByteImage& dif = w.difBytes();
  ByteImage bin = ByteImage::uninitialized(kImageSize);
  std::copy_n(w.source.data(), kImageSize, bin.data());
  for (auto _ : state) {
    if (!checkDif(dif.bytes()).ok()) state.SkipWithError("check failed");
    applyDif(dif.bytes(), bin);
    benchmark::DoNotOptimize(bin.data());
  }
}

// Writing the worst-case DIF again after opening it for editing: every block is looked up in
// the DIF held in memory.
void BM_WriteEditedDif(benchmark::State& state) {
  Workload& w = workload();
  const ByteImage& dif = w.difBytes();
  BlockList list;
  list.reserve(static_cast<std::size_t>(w.list.count()), true);
  {
    BlockList::Batch batch(list);
    for (int i = 0; i < w.list.count(); ++i) {
      BlockLine line = w.list.line(i);
      line.form = LineForm::DifEditing;
      list.insert(i, line);
    }
  }
  std::string path = w.folder + "/edited.dif";
  for (auto _ : state) {
    if (!writeEditedDif(realFileSystem(), path, list, dif.bytes()).ok()) {
      state.SkipWithError("write failed");
    }
  }
}

BENCHMARK(BM_WriteDif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteDifFormattingOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteEditedDif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ApplyDif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CheckAndApplyInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace hm

BENCHMARK_MAIN();
