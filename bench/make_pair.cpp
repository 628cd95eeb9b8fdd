// Writes the BIN pairs the peer benchmark compares, and the largest DIF the format allows for
// 16 MiB of blocks. Built and run by bench/peers.sh; standalone so it needs no library.
//
//   make_pair KIND SOURCE TARGET   KIND: identical, percent, runs100, alternate, longer
//   make_pair maxdif DIF           16,777,215 one-byte records, one for every address
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kLargest = 0xFFFFFF;

// splitmix64: fast enough that generating never shows up beside what it measures.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

 private:
  std::uint64_t state_;
};

std::vector<std::uint8_t> randomBytes(std::size_t size, Random& random) {
  std::vector<std::uint8_t> bytes(size);
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t v = random.next();
    std::memcpy(bytes.data() + i, &v, 8);
  }
  for (; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(random.next());
  return bytes;
}

// Xor with a value that is never zero, so every touched byte really differs.
void change(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t length, Random& random) {
  std::size_t end = std::min(bytes.size(), at + length);
  for (std::size_t i = at; i < end; ++i)
    bytes[i] ^= static_cast<std::uint8_t>(1 + random.below(255));
}

// Runs of 1..64 bytes at random places until about `share` of the image has changed.
void changeRuns(std::vector<std::uint8_t>& bytes, std::size_t runs, double share, Random& random) {
  std::size_t goal = static_cast<std::size_t>(static_cast<double>(bytes.size()) * share);
  std::size_t changed = 0;
  for (std::size_t n = 0; runs ? n < runs : changed < goal; ++n) {
    std::size_t length = 1 + random.below(64);
    change(bytes, random.below(bytes.size()), length, random);
    changed += length;
  }
}

bool save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

void putInt32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<std::uint8_t> largestDif(Random& random) {
  constexpr std::size_t kHeader = 32, kRecord = 17;
  std::vector<std::uint8_t> dif(kHeader + kLargest * kRecord);
  std::memcpy(dif.data(), "SPFDSGHA <=HEXMARSHAL=> ", 24);
  putInt32(dif.data() + 28, static_cast<std::uint32_t>(kLargest));
  std::uint8_t* p = dif.data() + kHeader;
  for (std::size_t address = 0; address < kLargest; ++address, p += kRecord) {
    std::memcpy(p, "FBLKNORD", 8);
    putInt32(p + 8, 5);
    putInt32(p + 12, static_cast<std::uint32_t>(address));
    p[16] = static_cast<std::uint8_t>(random.next());
  }
  return dif;
}

int usage() {
  std::fputs(
      "usage: make_pair identical|percent|runs100|alternate|longer SOURCE TARGET\n"
      "       make_pair maxdif DIF\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string kind = argv[1];
  Random random(0x4845584D41525348ull);
  if (kind == "maxdif") return save(argv[2], largestDif(random)) ? 0 : 1;
  if (argc < 4) return usage();

  // The longer target must still fit the largest image, so its source is the shorter one.
  std::size_t sourceSize = kind == "longer" ? kLargest - 4096 : kLargest;
  std::vector<std::uint8_t> source = randomBytes(sourceSize, random);
  std::vector<std::uint8_t> target = source;
  if (kind == "percent") {
    changeRuns(target, 0, 0.01, random);
  } else if (kind == "runs100") {
    changeRuns(target, 100, 0, random);
  } else if (kind == "alternate") {
    for (std::size_t i = 0; i < target.size(); i += 2) target[i] ^= 0xA5;
  } else if (kind == "longer") {
    std::vector<std::uint8_t> tail = randomBytes(4096, random);
    target.insert(target.end(), tail.begin(), tail.end());
  } else if (kind != "identical") {
    return usage();
  }
  return save(argv[2], source) && save(argv[3], target) ? 0 : 1;
}
