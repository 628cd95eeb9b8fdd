#include "dif/patch_carry.h"

#include "app/carry_command.h"
#include "app/command_line.h"
#include "dif/dif_applier.h"
#include "support/byte_images.h"
#include "support/memory_file_system.h"
#include "support/scripted.h"

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

Bytes noise(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng() % 7 == 0 ? 0 : rng());
  return v;
}

// Applies a DIF as the applying form does, to the image in memory.
bool applyDifTo(const Bytes& dif, Bytes& image) {
  if (!checkDif(dif)) return false;
  ByteImage bin(image.size());
  std::copy(image.begin(), image.end(), bin.data());
  applyDif(dif, bin);
  image.assign(bin.bytes().begin(), bin.bytes().end());
  return true;
}

// One edit of the image between the version a DIF was made for and the new one.
struct Splice {
  std::size_t at;
  std::size_t removed;
  std::size_t inserted;
};

Bytes spliced(const Bytes& image, const std::vector<Splice>& splices, std::uint32_t seed) {
  Bytes out = image;
  // From the end down, so the offsets stay those of the original.
  std::vector<Splice> order = splices;
  std::sort(order.begin(), order.end(), [](auto& a, auto& b) { return a.at > b.at; });
  for (const Splice& s : order) {
    const Bytes added = noise(s.inserted, seed + static_cast<std::uint32_t>(s.at));
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(s.at),
              out.begin() + static_cast<std::ptrdiff_t>(s.at + s.removed));
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(s.at), added.begin(), added.end());
  }
  return out;
}

// The comparison's DIF and backup of a pair, as the comparison form writes them.
struct MadePatch {
  Bytes dif;
  Bytes backup;
};

MadePatch comparePair(const Bytes& source, const Bytes& target) {
  MemoryFileSystem fs;
  fs.files["s.bin"] = source;
  fs.files["t.bin"] = target;
  ScriptedMessenger messenger;
  ManualClock clock{1000};
  JobContext context{fs, messenger, clock, {}};
  EXPECT_EQ(runComparison(parseCommandLine("s.bin /t:t.bin /d:p.dif /b", fs), context), 0);
  return {fs.files["p.dif"], fs.files["p.dif_bak.dif"]};
}

struct CarryCase {
  const char* name;
  std::vector<Splice> splices;  // applied to both images: the new version of each
  bool withOriginal;
  bool placesAll;
};

void PrintTo(const CarryCase& c, std::ostream* os) {
  *os << c.name;
}

class CarryingAPatch : public testing::TestWithParam<CarryCase> {};

// The carried DIF applied to the new source gives exactly the new target: every block placed
// is placed where it belongs, and no block is placed where its source bytes differ.
TEST_P(CarryingAPatch, GivesTheNewVersionOfTheTarget) {
  const CarryCase& c = GetParam();
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    SCOPED_TRACE(seed);
    const Bytes source = noise(0x20000, seed);
    Bytes target = source;
    std::mt19937 rng(seed * 77);
    for (std::size_t at = 40; at + 40 < target.size(); at += 20 + rng() % 400) {
      for (std::size_t k = rng() % 12; k-- > 0;)
        target[at + k] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    }
    const MadePatch patch = comparePair(source, target);
    const Bytes newSource = spliced(source, c.splices, seed);
    const Bytes newTarget = spliced(target, c.splices, seed);

    CarryInput input{patch.dif, newSource, std::nullopt, std::nullopt};
    if (c.withOriginal) {
      input.original = std::span<const std::uint8_t>(source);
    } else {
      input.backup = std::span<const std::uint8_t>(patch.backup);
    }
    Result<std::vector<CarriedBlock>> carried = carryPatch(input);
    ASSERT_TRUE(carried);
    const std::size_t placed = static_cast<std::size_t>(std::count_if(
        carried->begin(), carried->end(), [](const CarriedBlock& b) { return b.placed(); }));
    if (c.placesAll) {
      EXPECT_EQ(placed, carried->size());
    }
    EXPECT_GT(placed * 100, carried->size() * 95);

    MemoryFileSystem fs;
    ASSERT_TRUE(writeCarriedDif(fs, "c.dif", *carried, patch.dif, newSource));
    Bytes applied = newSource;
    ASSERT_TRUE(applyDifTo(fs.files["c.dif"], applied));
    for (const CarriedBlock& b : *carried) {
      if (!b.placed()) continue;
      const auto at = static_cast<std::size_t>(b.address);
      ASSERT_TRUE(std::equal(applied.begin() + at, applied.begin() + at + b.length(),
                             newTarget.begin() + at))
          << std::hex << b.start << " to " << b.address;
    }
    if (placed == carried->size()) {
      EXPECT_EQ(applied, newTarget);
    }
    // Its backup undoes it on the new BIN.
    ASSERT_TRUE(applyDifTo(fs.files["c.dif_bak.dif"], applied));
    EXPECT_EQ(applied, newSource);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, CarryingAPatch,
    testing::Values(
        CarryCase{"Unchanged", {}, true, true},
        CarryCase{"Inserted", {{0x8000, 0, 300}}, true, false},
        CarryCase{"Removed", {{0x9000, 200, 0}}, true, false},
        CarryCase{"Several", {{0x3000, 5, 0}, {0xB000, 0, 77}, {0x18000, 40, 9}}, true, false},
        CarryCase{"BackupOnly", {{0x8000, 0, 300}}, false, false}),
    [](const testing::TestParamInfo<CarryCase>& info) { return std::string(info.param.name); });

TEST(CarryPatch, SaysWhatEachBlockBecame) {
  Bytes source = noise(0x4000, 9);
  // The same 24 bytes twice: a block inside either cannot be told apart without the other.
  std::copy(source.begin() + 0x1000, source.begin() + 0x1040, source.begin() + 0x2000);
  Bytes target = source;
  target[0x500] ^= 1;
  target[0x1010] ^= 1;
  target[0x2010] ^= 1;
  target[0x3000] ^= 1;
  const MadePatch patch = comparePair(source, target);
  // The new version: the first block's region moved on by 0x20, the last one's gone.
  Bytes newSource = source;
  newSource.insert(newSource.begin() + 0x100, 0x20, 0x77);
  std::fill(newSource.begin() + 0x3000 - 0x40, newSource.begin() + 0x3000 + 0x60, 0x55);

  CarryInput input{patch.dif, newSource, std::span<const std::uint8_t>(source), std::nullopt};
  Result<std::vector<CarriedBlock>> carried = carryPatch(input);
  ASSERT_TRUE(carried);
  ASSERT_EQ(carried->size(), 4u);
  std::vector<std::string> lines;
  for (const CarriedBlock& b : *carried) lines.push_back(carriedBlockText(b));
  EXPECT_EQ(lines[0], "Блок 000500–000500 перенесён на 000520 (сдвиг +20).");
  EXPECT_EQ(lines[3], "Блок 003000–003000 не найден.");
  // Both copies moved together with the first block's shift, so the neighbours place them.
  EXPECT_EQ((*carried)[1].address, 0x1030);
  EXPECT_EQ((*carried)[2].address, 0x2030);

  // On the target itself the whole patch is already there.
  CarryInput onTarget{patch.dif, target, std::span<const std::uint8_t>(source), std::nullopt};
  carried = carryPatch(onTarget);
  ASSERT_TRUE(carried);
  for (const CarriedBlock& b : *carried) EXPECT_EQ(b.outcome, CarryOutcome::AlreadyThere);
  EXPECT_EQ(carriedBlockText((*carried)[0]), "Блок 000500–000500 уже установлен.");
}

TEST(CarryPatch, NeedsAnOriginalOrAMatchingBackup) {
  const Bytes source = noise(0x1000, 3);
  Bytes target = source;
  target[0x100] ^= 1;
  const MadePatch patch = comparePair(source, target);
  CarryInput input{patch.dif, source, std::nullopt, std::nullopt};
  Result<std::vector<CarriedBlock>> carried = carryPatch(input);
  ASSERT_FALSE(carried);
  EXPECT_EQ(carried.error().message,
            "Нет ни исходного BIN, ни подходящего backup DIF: блоки искать не по чему.");
  const Bytes otherBackup = comparePair(source, noise(0x1000, 4)).backup;
  input.backup = std::span<const std::uint8_t>(otherBackup);
  EXPECT_FALSE(carryPatch(input));
  // A block past the original's end: its source bytes read as zeros, with nothing around them.
  Bytes shorter(source.begin(), source.begin() + 0x80);
  CarryInput pastTheEnd{patch.dif, source, std::span<const std::uint8_t>(shorter), std::nullopt};
  carried = carryPatch(pastTheEnd);
  ASSERT_TRUE(carried);
  EXPECT_FALSE((*carried)[0].placed());
  const Bytes broken = {'n', 'o'};
  input.dif = broken;
  EXPECT_EQ(carryPatch(input).error().code, ErrorCode::InvalidDif);
}

// The form's statuses: all placed 0, already there 5, some missing 4 (written only with /f).
TEST(CarryForm, ExitsAsTheOtherForms) {
  const Bytes source = noise(0x4000, 5);
  Bytes target = source;
  // Long enough blocks to be found by their backup's bytes alone.
  for (std::size_t k = 0; k < 24; ++k) {
    target[0x800 + k] ^= 1;
    target[0x3800 + k] ^= 1;
  }
  const MadePatch patch = comparePair(source, target);
  Bytes moved = source;
  moved.insert(moved.begin() + 0x10, 8, 0);
  Bytes cut = moved;
  std::fill(cut.begin() + 0x3700, cut.begin() + 0x3900, 0x33);

  struct Run {
    const char* line;
    const Bytes* newBin;
    int status;
    bool written;
  };
  const Run runs[] = {{"new.bin /r:p.dif /s:old.bin /d:c.dif", &moved, 0, true},
                      {"new.bin /R:p.dif /d:c.dif", &moved, 0, true},
                      {"new.bin /r:p.dif /s:old.bin /d:c.dif", &target, 5, false},
                      {"new.bin /r:p.dif /s:old.bin /d:c.dif", &cut, 4, false},
                      {"new.bin /r:p.dif /s:old.bin /d:c.dif /F", &cut, 4, true},
                      {"new.bin /r:p.dif /s:gone.bin /d:c.dif", &moved, 3, false}};
  for (const Run& run : runs) {
    SCOPED_TRACE(run.line);
    MemoryFileSystem fs;
    fs.files["old.bin"] = source;
    fs.files["new.bin"] = *run.newBin;
    fs.files["p.dif"] = patch.dif;
    fs.files["p.dif_bak.dif"] = patch.backup;
    ScriptedMessenger messenger;
    ManualClock clock{1000};
    std::string printed;
    JobContext context{fs, messenger, clock, {}};
    context.output = [&printed](const std::string& text) { printed += text; };
    const CommandLine command = parseCommandLine(run.line, fs);
    ASSERT_EQ(command.form, CommandForm::Carry);
    EXPECT_EQ(runUnattended(command, context), run.status);
    EXPECT_EQ(fs.files.count("c.dif") == 1, run.written);
    EXPECT_EQ(fs.files.count("c.dif_bak.dif") == 1, run.written);
    if (run.status == 0) {
      EXPECT_NE(printed.find("перенесён на"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace hm::test
