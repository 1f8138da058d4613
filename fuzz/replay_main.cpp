// Runs a fuzz target without libFuzzer, so every build (the sanitizer one
// included) replays the seed corpus and a fixed set of mutations of it:
//   fuzz_replay_X [--runs N] [--dict FILE] [--max-len N] DIR_OR_FILE...
// The mutations come from a fixed seed, so a failure repeats on every run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Input = std::vector<std::uint8_t>;

Input ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// libFuzzer's dictionary lines: name="value" with \\, \" and \xNN escapes.
std::vector<Input> ReadDictionary(const std::string& path) {
  std::vector<Input> words;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t open = line.find('"');
    const std::size_t close = line.rfind('"');
    if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) continue;
    Input word;
    for (std::size_t i = open + 1; i < close; ++i) {
      if (line[i] == '\\' && i + 1 < close) {
        ++i;
        if (line[i] == 'x' && i + 2 < close && Hex(line[i + 1]) >= 0 && Hex(line[i + 2]) >= 0) {
          word.push_back(static_cast<std::uint8_t>(Hex(line[i + 1]) * 16 + Hex(line[i + 2])));
          i += 2;
          continue;
        }
      }
      word.push_back(static_cast<std::uint8_t>(line[i]));
    }
    words.push_back(std::move(word));
  }
  return words;
}

class Mutator {
 public:
  Mutator(std::vector<Input> dictionary, std::size_t maxLen) : dictionary_(std::move(dictionary)), maxLen_(maxLen) {}

  Input Mutate(const std::vector<Input>& corpus) {
    Input in = corpus[Below(corpus.size())];
    const std::size_t steps = 1 + Below(4);
    for (std::size_t s = 0; s < steps; ++s) Step(in, corpus);
    if (in.size() > maxLen_) in.resize(maxLen_);
    return in;
  }

 private:
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Below(256)); }

  void Step(Input& in, const std::vector<Input>& corpus) {
    switch (Below(8)) {
      case 0:  // flip a bit
        if (!in.empty()) in[Below(in.size())] ^= static_cast<std::uint8_t>(1u << Below(8));
        break;
      case 1:  // set a byte, favouring the ones parsers care about
        if (!in.empty()) {
          static constexpr std::uint8_t kSpecial[] = {0, '"', '<', '>', '&', ';', '.', ',', '-', 'e', 0x80, 0xC3, 0xFF};
          in[Below(in.size())] = Below(2) ? Byte() : kSpecial[Below(sizeof kSpecial)];
        }
        break;
      case 2:  // insert a byte
        in.insert(in.begin() + static_cast<std::ptrdiff_t>(Below(in.size() + 1)), Byte());
        break;
      case 3:  // erase a range
        if (!in.empty()) {
          const std::size_t at = Below(in.size());
          const std::size_t n = 1 + Below(std::min<std::size_t>(in.size() - at, 64));
          in.erase(in.begin() + static_cast<std::ptrdiff_t>(at), in.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        break;
      case 4:  // repeat a range
        if (!in.empty()) {
          const std::size_t at = Below(in.size());
          const std::size_t n = 1 + Below(std::min<std::size_t>(in.size() - at, 256));
          const Input piece(in.begin() + static_cast<std::ptrdiff_t>(at), in.begin() + static_cast<std::ptrdiff_t>(at + n));
          const std::size_t times = 1 + Below(8);
          for (std::size_t t = 0; t < times; ++t) in.insert(in.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
        }
        break;
      case 5:  // insert a dictionary word
        if (!dictionary_.empty()) {
          const Input& word = dictionary_[Below(dictionary_.size())];
          in.insert(in.begin() + static_cast<std::ptrdiff_t>(Below(in.size() + 1)), word.begin(), word.end());
        }
        break;
      case 6:  // cut the tail
        if (!in.empty()) in.resize(Below(in.size()));
        break;
      default: {  // splice in part of another input
        const Input& other = corpus[Below(corpus.size())];
        if (other.empty()) break;
        const std::size_t at = Below(other.size());
        const std::size_t n = 1 + Below(other.size() - at);
        in.insert(in.begin() + static_cast<std::ptrdiff_t>(Below(in.size() + 1)),
                  other.begin() + static_cast<std::ptrdiff_t>(at), other.begin() + static_cast<std::ptrdiff_t>(at + n));
        break;
      }
    }
  }

  std::vector<Input> dictionary_;
  std::size_t maxLen_;
  std::mt19937_64 rng_{20261204};
};

[[noreturn]] void Usage() {
  std::fprintf(stderr, "usage: fuzz_replay [--runs N] [--dict FILE] [--max-len N] DIR_OR_FILE...\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t runs = 0;
  std::size_t maxLen = 1 << 16;
  std::string dictionary;
  std::vector<std::filesystem::path> paths;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--runs" || arg == "--dict" || arg == "--max-len") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--dict") dictionary = value;
      else if (arg == "--runs") runs = std::stoul(value);
      else maxLen = std::stoul(value);
    } else if (!arg.empty() && arg[0] == '-') {
      Usage();
    } else {
      paths.emplace_back(arg);
    }
  }

  std::vector<std::filesystem::path> files;
  for (const auto& path : paths) {
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else if (std::filesystem::is_regular_file(path)) {
      files.push_back(path);
    } else {
      std::fprintf(stderr, "fuzz_replay: no such file or folder: %s\n", path.c_str());
      return 2;
    }
  }
  // Directory order differs between machines; the mutations must not.
  std::sort(files.begin(), files.end());

  std::vector<Input> corpus;
  for (const auto& file : files) {
    corpus.push_back(ReadFile(file));
    LLVMFuzzerTestOneInput(corpus.back().data(), corpus.back().size());
  }
  if (corpus.empty()) corpus.emplace_back();
  Mutator mutator(dictionary.empty() ? std::vector<Input>{} : ReadDictionary(dictionary), maxLen);
  for (std::size_t r = 0; r < runs; ++r) {
    const Input in = mutator.Mutate(corpus);
    LLVMFuzzerTestOneInput(in.data(), in.size());
  }
  std::printf("fuzz_replay: %zu corpus inputs and %zu mutations passed\n", files.size(), runs);
  return 0;
}
