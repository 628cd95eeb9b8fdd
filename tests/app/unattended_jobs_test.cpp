#include "app/unattended_jobs.h"

#include "platform/file_stream.h"
#include "support/dif_builder.h"
#include "support/fault_file_system.h"
#include "support/memory_file_system.h"
#include "support/scripted.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

// The messages the jobs end with, as the user reads them.
const char kDifWriteError[] = "Ошибка записи DIF файла";
const char kBinWriteError[] = "Ошибка записи BIN файла!";
const char kOpenError[] = "Ошибка открытия файла!";
const char kInvalidDifEdit[] = "Неверный DIF файл!";
const char kInvalidDifApply[] = "Неверный DIF файл!!!";

// Everything under a folder: files with their bytes, folders by name alone, so a leftover
// temporary or a replaced folder shows up as well as a changed byte.
using Listing = std::map<std::string, std::vector<std::uint8_t>>;

Listing listing(const std::string& folder) {
  Listing out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    std::string name = std::filesystem::relative(entry.path(), folder).string();
    if (entry.is_directory()) {
      out[name + "/"] = {};
    } else {
      out[name] = readFile(entry.path().string());
    }
  }
  return out;
}

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return bytes;
}

// The files of one job, written into `folder`: a source and target pair, an older DIF where
// the comparison writes, a DIF to extend or apply, its data file and the BIN it patches.
struct Folder {
  explicit Folder(std::string path) : path(std::move(path)) {}
  std::string file(const std::string& name) const { return path + "/" + name; }

  // With `size` past a megabyte the outputs reach the file in several writes.
  void fill(std::size_t size = 0x3000) const {
    std::vector<std::uint8_t> source = pattern(size, 1);
    std::vector<std::uint8_t> target = source;
    for (std::size_t i : {std::size_t{0x10}, size - 3}) target[i] ^= 0x5A;
    for (std::size_t i = size / 8; i < size * 7 / 8; ++i) target[i] ^= 0xFF;
    target.insert(target.end(), 16, 0xEE);
    writeFile(file("source.bin"), source);
    writeFile(file("target.bin"), target);
    writeFile(file("out.dif"), std::string("the DIF written last time"));
    writeFile(file("out.dif_bak.dif"), std::string("the backup written last time"));
    DifBuilder dif(2);
    dif.record(0x10, {1, 2, 3, 4})
        .record(static_cast<std::int32_t>(size / 8), pattern(size * 3 / 4, 7));
    writeFile(file("patch.dif"), dif.bytes());
    writeFile(file("data.bin"), pattern(0x100, 9));
    writeFile(file("image.bin"), pattern(size, 3));
  }

  std::string path;
};

// One unattended job over a Folder, as a script would start it.
struct Job {
  const char* name;
  std::function<int(const Folder&, JobContext&)> run;
  const char* writeError;  // what any failed write of its output says
};

CommandLine parsed(const std::string& line) {
  return parseCommandLine(line, realFileSystem());
}

const Job kComparison{
    "comparison",
    [](const Folder& f, JobContext& context) {
      return runComparison(
          parsed(f.file("source.bin") + " /t:" + f.file("target.bin") + " /d:" + f.file("out.dif")),
          context);
    },
    kDifWriteError};
const Job kComparisonWithBackup{"comparison_with_backup",
                                [](const Folder& f, JobContext& context) {
                                  return runComparison(
                                      parsed(f.file("source.bin") + " /t:" + f.file("target.bin") +
                                             " /d:" + f.file("out.dif") + " /b"),
                                      context);
                                },
                                kDifWriteError};
const Job kInsertion{"insertion",
                     [](const Folder& f, JobContext& context) {
                       return runBlockInsertion(
                           parsed(f.file("patch.dif") + " <100:10:20> " + f.file("data.bin")),
                           context);
                     },
                     kDifWriteError};
const Job kApplyInPlace{"apply_in_place",
                        [](const Folder& f, JobContext& context) {
                          return runApply(f.file("image.bin"), f.file("patch.dif"),
                                          f.file("image.bin"), context);
                        },
                        kBinWriteError};

struct Outcome {
  int status;
  std::vector<ScriptedMessenger::Shown> shown;
};

Outcome runJob(const Job& job, const Folder& folder, FileSystem& fs,
               std::chrono::milliseconds lockWait = kFileLockWait) {
  ScriptedMessenger messenger;
  ManualClock clock;
  JobContext context{fs, messenger, clock, {}, lockWait};
  int status = job.run(folder, context);
  return {status, messenger.shown};
}

// The job ended with exactly this one error message; what may follow it after an empty line
// (the block or file to blame) is the writers' to test.
void expectError(const Outcome& outcome, const std::string& text) {
  EXPECT_EQ(outcome.status, kExitJobError);
  ASSERT_EQ(outcome.shown.size(), 1u);
  const std::string& shown = outcome.shown[0].text;
  EXPECT_EQ(shown.substr(0, shown.find("\n\n")), text);
  EXPECT_EQ(outcome.shown[0].icon, MessageIcon::Stop);
}

// ---- The output cannot be written ----

enum class WriteFault {
  CreateFails,
  FullAtFirstByte,
  FullBeforeLastByte,
  CommitFails,
  SecondNameFails,  // of a pair, after the first file took its name
};

struct WriteCase {
  const char* name;
  const Job* job;
  WriteFault fault;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
  *os << c.job->name << ", " << c.name;
}

class WriteFaultTest : public ::testing::TestWithParam<WriteCase> {};

// Outputs of about 1.1 MiB: more than the writers collect before they write.
constexpr std::size_t kSeveralWrites = 0x180000;

TEST_P(WriteFaultTest, EndsWithTheWriteErrorAndKeepsEveryFile) {
  const WriteCase& c = GetParam();
  TempDir dir;
  Folder folder(dir.path());
  folder.fill(kSeveralWrites);
  FaultFileSystem fs;
  switch (c.fault) {
    case WriteFault::CreateFails:
      fs.failCreate = true;
      break;
    case WriteFault::FullAtFirstByte:
      fs.writeLimit = 0;
      break;
    case WriteFault::FullBeforeLastByte: {
      // The whole output's size, from the same job on a copy of the files.
      TempDir spare;
      Folder copy(spare.path());
      copy.fill(kSeveralWrites);
      FaultFileSystem counting;
      ASSERT_EQ(runJob(*c.job, copy, counting).status, kExitDone);
      ASSERT_GT(counting.bytesWritten(), 0u);
      fs.writeLimit = counting.bytesWritten() - 1;
      break;
    }
    case WriteFault::CommitFails:
      fs.failCommit = true;
      break;
    case WriteFault::SecondNameFails:
      fs.failPublish = [](int published) { return published == 1; };
      break;
  }
  Listing before = listing(dir.path());

  expectError(runJob(*c.job, folder, fs), c.job->writeError);
  EXPECT_EQ(listing(dir.path()), before);
}

std::vector<WriteCase> writeCases() {
  std::vector<WriteCase> cases;
  const std::pair<const char*, WriteFault> faults[] = {
      {"create_fails", WriteFault::CreateFails},
      {"disk_full_at_first_byte", WriteFault::FullAtFirstByte},
      {"disk_full_before_last_byte", WriteFault::FullBeforeLastByte},
      {"commit_fails", WriteFault::CommitFails}};
  for (const Job* job : {&kComparison, &kComparisonWithBackup, &kInsertion, &kApplyInPlace}) {
    for (auto [name, fault] : faults) cases.push_back({name, job, fault});
  }
  cases.push_back({"second_name_fails", &kComparisonWithBackup, WriteFault::SecondNameFails});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Jobs, WriteFaultTest, ::testing::ValuesIn(writeCases()),
                         [](const auto& info) {
                           return std::string(info.param.job->name) + "_" + info.param.name;
                         });

// ---- The numbers of the insertion form ----

struct InsertionCase {
  const char* name;
  const char* numbers;
  std::uint64_t dataSize;
  const char* line;  // null when the numbers are refused
};

void PrintTo(const InsertionCase& c, std::ostream* os) {
  *os << c.name;
}

class InsertionLineTest : public ::testing::TestWithParam<InsertionCase> {};

// FFFFFF is the largest address: a block may end there, never past it, and a whole data file is
// never cut to fit.
TEST_P(InsertionLineTest, BlockEndsAtFFFFFFAtTheLatest) {
  const InsertionCase& c = GetParam();
  MemoryFileSystem noFiles;
  CommandLine command = parseCommandLine(std::string("p.dif ") + c.numbers + " d.bin", noFiles);
  ASSERT_EQ(command.form, CommandForm::BlockInsertion);
  std::optional<BlockLine> line = insertionLine(command, c.dataSize);
  if (c.line) {
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text(), c.line);
  } else {
    EXPECT_EQ(line, std::nullopt);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, InsertionLineTest,
    ::testing::Values(InsertionCase{"WholeFileEndingAtFFFFFF", "<FFFFF0::>", 16,
                                    "FFFFF0\tFFFFFF\t00\t00\t00\td.bin"},
                      InsertionCase{"WholeFileOnePast", "<FFFFF1::>", 16, nullptr},
                      InsertionCase{"LengthEndingAtFFFFFF", "<FFFFFF:5:1>", 100,
                                    "FFFFFF\tFFFFFF\t00\t00\t05\td.bin"},
                      InsertionCase{"LengthOnePast", "<FFFFFF:0:2>", 100, nullptr},
                      InsertionCase{"SixteenMegabytesFromZero", "<0::>", 16777216,
                                    "000000\tFFFFFF\t00\t00\t00\td.bin"},
                      InsertionCase{"DataFileLongerThanAnyBlock", "<0::>", 16777217, nullptr},
                      InsertionCase{"TerabyteDataFile", "<0::>", std::uint64_t{1} << 40, nullptr},
                      InsertionCase{"ZeroLength", "<10:0:0>", 100, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- A DIF larger than any the program writes ----

struct DifSizeCase {
  const char* name;
  off_t size;
  const char* message;
};

void PrintTo(const DifSizeCase& c, std::ostream* os) {
  *os << c.name;
}

class ApplyDifSizeTest : public ::testing::TestWithParam<DifSizeCase> {};

// Up to the size of a one-byte record at every address the DIF is read and checked (these are
// zeros, so the check refuses them); a byte more is refused unread.
TEST_P(ApplyDifSizeTest, ReadsUpToTheLargestValidDif) {
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  ASSERT_EQ(::truncate(folder.file("patch.dif").c_str(), 0), 0);
  ASSERT_EQ(::truncate(folder.file("patch.dif").c_str(), GetParam().size), 0);
  std::vector<std::uint8_t> image = readFile(folder.file("image.bin"));
  expectError(runJob(kApplyInPlace, folder, realFileSystem()), GetParam().message);
  EXPECT_EQ(readFile(folder.file("image.bin")), image);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ApplyDifSizeTest,
                         ::testing::Values(DifSizeCase{"Largest", 285212704, kInvalidDifApply},
                                           DifSizeCase{"OneByteMore", 285212705,
                                                       "Слишком большой DIF файл!"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- An input changes between being chosen and being read ----

// The real file system, except that chosen files are removed right after the job found them
// (its first stat answers, later ones and reads fail), turned unreadable (stat answers, read
// fails) or cut to half their length after stat measured them;
// or another program cuts them on disk while the job sees them in place: to half right after
// they are mapped (whole pages go), or by their last byte when the job starts writing its
// output (no page goes, only the length tells).
class ChangingFileSystem : public FileSystem {
 public:
  std::set<std::string> gone, unreadable, shrunk, cutWhenSeen, cutWhenWriting;

  std::optional<FileInfo> stat(const std::string& path) override {
    if (gone.count(path) && !found_.insert(path).second) return std::nullopt;
    return realFileSystem().stat(path);
  }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    if (gone.count(path) || unreadable.count(path)) return std::nullopt;
    std::optional<ByteImage> image = realFileSystem().read(path, maxBytes);
    if (image && shrunk.count(path)) image->resize(image->size() / 2);
    return image;
  }
  std::optional<FileView> view(const std::string& path, std::size_t maxBytes) override {
    if (!cutWhenSeen.count(path) && !cutWhenWriting.count(path)) {
      return FileSystem::view(path, maxBytes);
    }
    std::optional<FileView> view = realFileSystem().view(path, maxBytes);
    if (cutWhenSeen.count(path)) cut(path, std::filesystem::file_size(path) / 2);
    return view;
  }
  // Streams as it sees files in place: the real one for the files another program cuts, read
  // whole through read() for the rest.
  std::unique_ptr<FileStream> openStream(const std::string& path) override {
    if (!cutWhenSeen.count(path) && !cutWhenWriting.count(path)) {
      return FileSystem::openStream(path);
    }
    std::unique_ptr<FileStream> stream = realFileSystem().openStream(path);
    if (cutWhenSeen.count(path)) cut(path, std::filesystem::file_size(path) / 2);
    return stream;
  }
  // Once, when the first output is created.
  std::unique_ptr<OutputFile> create(const std::string& path) override {
    for (const std::string& seen : cutWhenWriting) cut(seen, std::filesystem::file_size(seen) - 1);
    cutWhenWriting.clear();
    return realFileSystem().create(path);
  }
  bool makeFolders(const std::string& path) override { return realFileSystem().makeFolders(path); }

  static void cut(const std::string& path, std::uintmax_t size) {
    std::filesystem::resize_file(path, size);
  }

 private:
  std::set<std::string> found_;  // the gone files the job has found
};

enum class Change { Gone, Unreadable, Shrunk, CutWhenSeen, CutWhenWriting };

struct InputCase {
  const char* name;
  const Job* job;
  const char* input;
  Change change;
  const char* message;
};

void PrintTo(const InputCase& c, std::ostream* os) {
  *os << c.name;
}

class InputFaultTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputFaultTest, EndsWithTheJobsMessageAndKeepsEveryFile) {
  const InputCase& c = GetParam();
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  ChangingFileSystem fs;
  std::string input = folder.file(c.input);
  switch (c.change) {
    case Change::Gone:
      fs.gone.insert(input);
      break;
    case Change::Unreadable:
      fs.unreadable.insert(input);
      break;
    case Change::Shrunk:
      fs.shrunk.insert(input);
      break;
    case Change::CutWhenSeen:
      fs.cutWhenSeen.insert(input);
      break;
    case Change::CutWhenWriting:
      fs.cutWhenWriting.insert(input);
      break;
  }
  Listing before = listing(dir.path());
  // What the other program did is all that changed.
  std::vector<std::uint8_t>& seen = before[c.input];
  if (c.change == Change::CutWhenSeen) seen.resize(seen.size() / 2);
  if (c.change == Change::CutWhenWriting) seen.pop_back();

  expectError(runJob(*c.job, folder, fs), c.message);
  EXPECT_EQ(listing(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, InputFaultTest,
    ::testing::Values(
        InputCase{"comparison_source_gone", &kComparison, "source.bin", Change::Gone, kOpenError},
        InputCase{"comparison_source_unreadable", &kComparison, "source.bin", Change::Unreadable,
                  kOpenError},
        InputCase{"comparison_target_gone", &kComparison, "target.bin", Change::Gone, kOpenError},
        InputCase{"comparison_target_unreadable", &kComparison, "target.bin", Change::Unreadable,
                  kOpenError},
        InputCase{"insertion_dif_gone", &kInsertion, "patch.dif", Change::Gone, kOpenError},
        InputCase{"insertion_dif_shrunk", &kInsertion, "patch.dif", Change::Shrunk,
                  kInvalidDifEdit},
        InputCase{"insertion_data_gone", &kInsertion, "data.bin", Change::Gone, kOpenError},
        InputCase{"insertion_data_unreadable", &kInsertion, "data.bin", Change::Unreadable,
                  kDifWriteError},
        InputCase{"insertion_data_shrunk", &kInsertion, "data.bin", Change::Shrunk, kDifWriteError},
        InputCase{"apply_dif_gone", &kApplyInPlace, "patch.dif", Change::Gone, kBinWriteError},
        InputCase{"apply_dif_unreadable", &kApplyInPlace, "patch.dif", Change::Unreadable,
                  kBinWriteError},
        InputCase{"apply_dif_shrunk", &kApplyInPlace, "patch.dif", Change::Shrunk,
                  kInvalidDifApply},
        InputCase{"apply_bin_gone", &kApplyInPlace, "image.bin", Change::Gone, kBinWriteError},
        InputCase{"apply_bin_unreadable", &kApplyInPlace, "image.bin", Change::Unreadable,
                  kBinWriteError},
        InputCase{"comparison_source_cut_when_seen", &kComparison, "source.bin",
                  Change::CutWhenSeen, kOpenError},
        InputCase{"comparison_target_cut_when_seen", &kComparison, "target.bin",
                  Change::CutWhenSeen, kOpenError},
        InputCase{"comparison_target_cut_when_writing", &kComparison, "target.bin",
                  Change::CutWhenWriting, kOpenError},
        // The backup's bytes come from the source: a source cut while they are written must
        // not leave zeros it never held in the backup.
        InputCase{"backup_source_cut_when_writing", &kComparisonWithBackup, "source.bin",
                  Change::CutWhenWriting, kOpenError},
        InputCase{"backup_target_cut_when_writing", &kComparisonWithBackup, "target.bin",
                  Change::CutWhenWriting, kOpenError},
        InputCase{"apply_bin_cut_when_seen", &kApplyInPlace, "image.bin", Change::CutWhenSeen,
                  kBinWriteError},
        InputCase{"apply_bin_cut_when_writing", &kApplyInPlace, "image.bin", Change::CutWhenWriting,
                  kBinWriteError}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- An input that is not there ----

struct MissingInputCase {
  const char* name;
  const Job* job;
  const char* missing;  // null: every input is there
};

void PrintTo(const MissingInputCase& c, std::ostream* os) {
  *os << c.name;
}

class MissingInputTest : public ::testing::TestWithParam<MissingInputCase> {};

// The jobs look for their inputs in the file system they are given, not on the disk: with every
// input in memory none ends "not found", and without one each ends so before writing anything.
TEST_P(MissingInputTest, EndsNotFoundBeforeWritingAnything) {
  const MissingInputCase& c = GetParam();
  MemoryFileSystem fs;
  Folder folder("/jobs");
  for (const char* name : {"source.bin", "target.bin", "patch.dif", "data.bin", "image.bin"}) {
    fs.files[folder.file(name)] = pattern(0x40, 5);
  }
  if (c.missing) fs.files.erase(folder.file(c.missing));
  const auto before = fs.files;
  const Outcome outcome = runJob(*c.job, folder, fs);
  if (!c.missing) {
    EXPECT_NE(outcome.status, kExitNotFound);
    return;
  }
  EXPECT_EQ(outcome.status, kExitNotFound);
  ASSERT_EQ(outcome.shown.size(), 1u);
  EXPECT_EQ(outcome.shown[0].text, "Файл не найден");
  EXPECT_EQ(fs.files, before);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, MissingInputTest,
    ::testing::Values(MissingInputCase{"comparison_all_there", &kComparison, nullptr},
                      MissingInputCase{"comparison_source", &kComparison, "source.bin"},
                      MissingInputCase{"comparison_target", &kComparison, "target.bin"},
                      MissingInputCase{"insertion_all_there", &kInsertion, nullptr},
                      MissingInputCase{"insertion_dif", &kInsertion, "patch.dif"},
                      MissingInputCase{"insertion_data", &kInsertion, "data.bin"},
                      MissingInputCase{"apply_all_there", &kApplyInPlace, nullptr},
                      MissingInputCase{"apply_bin", &kApplyInPlace, "image.bin"},
                      MissingInputCase{"apply_dif", &kApplyInPlace, "patch.dif"}),
    [](const auto& info) { return std::string(info.param.name); });

// A source that shrank is compared as it was read: the bytes it lost count as changed, so the
// DIF still turns what was read into the target.
TEST(ChangedInputTest, ShrunkSourceIsComparedAsRead) {
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  ChangingFileSystem fs;
  fs.shrunk.insert(folder.file("source.bin"));
  ASSERT_EQ(runJob(kComparison, folder, fs).status, kExitDone);
  std::filesystem::remove(folder.file("out.dif_bak.dif"));

  std::vector<std::uint8_t> source = readFile(folder.file("source.bin"));
  source.resize(source.size() / 2);
  writeFile(folder.file("image.bin"), source);
  ScriptedMessenger messenger;
  ManualClock clock;
  JobContext context{realFileSystem(), messenger, clock, {}};
  ASSERT_EQ(
      runApply(folder.file("image.bin"), folder.file("out.dif"), folder.file("image.bin"), context),
      kExitDone);
  EXPECT_EQ(readFile(folder.file("image.bin")), readFile(folder.file("target.bin")));
}

// ---- Another run holds the file ----

struct HeldCase {
  const Job* job;
  const char* held;  // the file the job replaces
};

void PrintTo(const HeldCase& c, std::ostream* os) {
  *os << c.job->name;
}

class HeldFileTest : public ::testing::TestWithParam<HeldCase> {};

TEST_P(HeldFileTest, WaitsThenEndsBusyKeepingEveryFileAndRunsOnceFree) {
  const HeldCase& c = GetParam();
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  auto other = lockFile(folder.file(c.held), std::chrono::milliseconds(0));
  ASSERT_TRUE(other);
  Listing before = listing(dir.path());

  constexpr std::chrono::milliseconds kWait{50};
  const auto start = std::chrono::steady_clock::now();
  expectError(runJob(*c.job, folder, realFileSystem(), kWait), "Файл занят другой программой!");
  EXPECT_GE(std::chrono::steady_clock::now() - start, kWait);
  EXPECT_EQ(listing(dir.path()), before);

  other.value().reset();
  EXPECT_EQ(runJob(*c.job, folder, realFileSystem(), kWait).status, kExitDone);
}

INSTANTIATE_TEST_SUITE_P(Jobs, HeldFileTest,
                         ::testing::Values(HeldCase{&kComparison, "out.dif"},
                                           HeldCase{&kInsertion, "patch.dif"},
                                           HeldCase{&kApplyInPlace, "image.bin"}),
                         [](const auto& info) { return std::string(info.param.job->name); });

// ---- Data-file names ----

struct DataNameCase {
  const char* name;
  const char* file;
  bool refused;
};

void PrintTo(const DataNameCase& c, std::ostream* os) {
  *os << c.name;
}

class DataFileNameTest : public ::testing::TestWithParam<DataNameCase> {};

// The name up to a tab or line break names a file of other bytes: a run that read it would
// succeed with the wrong block.
TEST_P(DataFileNameTest, NameThatWouldCutTheLineIsABadLineAndAnyOtherWorks) {
  const DataNameCase& c = GetParam();
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  const std::vector<std::uint8_t> data = pattern(0x100, 42);
  writeFile(folder.file(c.file), data);
  writeFile(folder.file("x"), pattern(0x100, 77));
  Listing before = listing(dir.path());
  CommandLine command = parsed(folder.file("patch.dif") + " <100:10:20> " + folder.file(c.file));

  ScriptedMessenger messenger;
  ManualClock clock;
  JobContext context{realFileSystem(), messenger, clock, {}};
  const int status = runUnattended(command, context);

  if (c.refused) {
    EXPECT_EQ(status, kExitBadParameters);
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, badParametersMessage(command.line));
    EXPECT_EQ(listing(dir.path()), before);
    return;
  }
  EXPECT_EQ(status, kExitDone);
  std::vector<std::uint8_t> dif = readFile(folder.file("patch.dif"));
  ASSERT_GE(dif.size(), 0x20u);
  EXPECT_EQ(std::vector<std::uint8_t>(dif.end() - 0x20, dif.end()),
            std::vector<std::uint8_t>(data.begin() + 0x10, data.begin() + 0x30));
}

INSTANTIATE_TEST_SUITE_P(Insertion, DataFileNameTest,
                         ::testing::Values(DataNameCase{"tab", "x\tdata.bin", true},
                                           DataNameCase{"line_feed", "x\ndata.bin", true},
                                           DataNameCase{"carriage_return", "x\rdata.bin", true},
                                           DataNameCase{"spaces_and_cyrillic", "x данные №1.bin",
                                                        false}),
                         [](const auto& info) { return std::string(info.param.name); });

void PrintTo(const Job* job, std::ostream* os) {
  *os << job->name;
}

// ---- A folder that takes no new files ----

class ReadOnlyFolderTest : public ::testing::TestWithParam<const Job*> {};

// Every output is written beside its target first, which a folder without write permission
// refuses even where the files in it could be changed.
TEST_P(ReadOnlyFolderTest, EndsWithTheWriteError) {
  const Job& job = *GetParam();
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  FaultFileSystem fs;
  fs.readOnlyFolders = {folder.path};
  Listing before = listing(folder.path);

  expectError(runJob(job, folder, fs), job.writeError);
  EXPECT_EQ(listing(folder.path), before);
}

INSTANTIATE_TEST_SUITE_P(Jobs, ReadOnlyFolderTest,
                         ::testing::Values(&kComparison, &kInsertion, &kApplyInPlace),
                         [](const auto& info) { return std::string(info.param->name); });

// ---- Outputs the real file system refuses ----

class RealOutputTest : public ::testing::TestWithParam<const Job*> {};

// The output's name is taken by a folder: the DIF of the comparison, the BIN of the applying
// form, and for the insertion the ".dif" name its DIF without that ending is written under.
TEST_P(RealOutputTest, FolderAsOutputEndsWithTheWriteError) {
  const Job& job = *GetParam();
  TempDir dir;
  Folder folder(dir.path());
  folder.fill();
  Job aimed = job;
  std::string taken = folder.file("out.dif");
  if (&job == &kInsertion) {
    std::filesystem::rename(folder.file("patch.dif"), folder.file("patch"));
    taken = folder.file("patch.dif");
    aimed.run = [](const Folder& f, JobContext& context) {
      return runBlockInsertion(parsed(f.file("patch") + " <100:10:20> " + f.file("data.bin")),
                               context);
    };
  } else if (&job == &kApplyInPlace) {
    aimed.run = [](const Folder& f, JobContext& context) {
      return runApply(f.file("image.bin"), f.file("patch.dif"), f.file("out.dif"), context);
    };
  }
  std::filesystem::remove(taken);
  std::filesystem::create_directory(taken);
  writeFile(taken + "/inside.txt", std::string("kept"));
  Listing before = listing(dir.path());

  expectError(runJob(aimed, folder, realFileSystem()), job.writeError);
  EXPECT_EQ(listing(dir.path()), before);
}

// A 64 KiB tmpfs that really runs out of room part-way through an output.
class SmallDisk {
 public:
  SmallDisk() : path_(dir_.file("disk")) {
    std::filesystem::create_directory(path_);
    if (::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=64k") != 0) {
      refusal_ = std::strerror(errno);
    } else {
      mounted_ = true;
    }
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& refusal() const { return refusal_; }
  const std::string& path() const { return path_; }

 private:
  TempDir dir_;
  std::string path_;
  bool mounted_ = false;
  std::string refusal_;
};

// Each job's inputs fill the disk so far that its output cannot fit beside them.
void fillSmallDisk(const Job& job, const Folder& folder) {
  constexpr std::size_t kKiB = 1024;
  if (&job == &kComparison) {
    std::vector<std::uint8_t> source = pattern(24 * kKiB, 1), target = source;
    for (std::uint8_t& b : target) b = static_cast<std::uint8_t>(~b);
    writeFile(folder.file("source.bin"), source);
    writeFile(folder.file("target.bin"), target);
    return;
  }
  std::size_t record = &job == &kInsertion ? 36 * kKiB : 24 * kKiB;
  DifBuilder dif(1);
  dif.record(0, pattern(record, 5));
  writeFile(folder.file("patch.dif"), dif.bytes());
  writeFile(folder.file("data.bin"), pattern(0x100, 9));
  if (&job == &kApplyInPlace) writeFile(folder.file("image.bin"), pattern(24 * kKiB, 3));
}

TEST_P(RealOutputTest, FullTmpfsEndsWithTheWriteError) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.refusal();
  const Job& job = *GetParam();
  Folder folder(disk.path());
  fillSmallDisk(job, folder);
  Listing before = listing(disk.path());

  expectError(runJob(job, folder, realFileSystem()), job.writeError);
  EXPECT_EQ(listing(disk.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Jobs, RealOutputTest,
                         ::testing::Values(&kComparison, &kInsertion, &kApplyInPlace),
                         [](const auto& info) { return std::string(info.param->name); });

// The program itself on a full disk: status 1, the message on standard error, the BIN kept.
TEST(ProgramOnFullDiskTest, ApplyingInPlaceKeepsTheBin) {
  const char* program = std::getenv("HM_TEST_BIN");
  if (!program || !std::filesystem::exists(program)) GTEST_SKIP() << "HM_TEST_BIN is not set";
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.refusal();
  Folder folder(disk.path());
  fillSmallDisk(kApplyInPlace, folder);
  Listing before = listing(disk.path());
  TempDir logs;

  std::string command = "QT_QPA_PLATFORM=offscreen '" + std::string(program) + "' '" +
                        folder.file("image.bin") + "' '/a:" + folder.file("patch.dif") +
                        "' '/o:" + folder.file("image.bin") + "' 2>'" + logs.file("err.txt") + "'";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitJobError);
  std::vector<std::uint8_t> err = readFile(logs.file("err.txt"));
  EXPECT_NE(std::string(err.begin(), err.end()).find(kBinWriteError), std::string::npos);
  EXPECT_EQ(listing(disk.path()), before);
}

}  // namespace
}  // namespace hm::test
