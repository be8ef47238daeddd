// Runs a fuzz target over saved inputs without libFuzzer, so that any compiler builds the
// targets and every build replays the committed corpus. Each argument is a file or a folder of
// files; finding no input at all is a failure, so a mistyped path can't pass.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputFiles(const std::filesystem::path& argument) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(argument)) {
    for (const auto& entry : std::filesystem::directory_iterator(argument)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
  } else if (std::filesystem::is_regular_file(argument)) {
    files.push_back(argument);
  }
  return files;
}

void Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // An exact-size copy, so a read past the input's end is a sanitizer report.
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(exact.data(), exact.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::filesystem::path& file : InputFiles(argv[i])) {
      Replay(file);
      ++replayed;
    }
  }
  std::cout << "replayed " << replayed << " inputs\n";
  return replayed > 0 ? 0 : 1;
}
