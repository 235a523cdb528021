// A mutation loop of our own for builds without libFuzzer (gcc): it takes
// the same command line as a libFuzzer target, so that CI and the README use
// one command for either:
//   target [-seed=N] [-runs=N] [-max_total_time=S] [-max_len=N]
//          [-report_runs=N] [DIR|FILE]...
// Files are run once each, as they are (a reproducer replay); directories
// hold the seed inputs of a campaign, which is run when one is given. The
// input that is running is written out as crash-<seed>-<run> when the
// process dies of a sanitizer report or a signal, or ends in the middle of
// it. -report_runs=N (ours only) ends a campaign with how many byte values
// its inputs held in a run of N or more of the same byte.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"

extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes* current_input = nullptr;
char crash_name[128];

void SaveCurrentInput() {
  if (!current_input || !crash_name[0]) return;
  if (FILE* file = std::fopen(crash_name, "wb")) {
    if (!current_input->empty()) std::fwrite(current_input->data(), 1, current_input->size(), file);
    std::fclose(file);
    std::fprintf(stderr, "the failing input is in %s (%zu bytes)\n", crash_name, current_input->size());
  }
  crash_name[0] = '\0';
}

// A target that ends the process during an input has a fault as much as one
// that crashes.
void OnExitDuringInput() {
  if (!current_input || !crash_name[0]) return;
  std::fprintf(stderr, "the process ended during an input\n");
  SaveCurrentInput();
}

void OnSignal(int signal) {
  SaveCurrentInput();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

bool ReadWholeFile(const std::string& path, Bytes* out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  out->clear();
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) out->insert(out->end(), buffer, buffer + got);
  std::fclose(file);
  return true;
}

// Tokens that readers of numbers, words and FENs meet at their edges.
const char* const kTokens[] = {
    "-2147483648", "2147483647", "2147483648", "-1",     "0",   "4294967295", "99999999999999999999",
    "=",           " ",          "\t",         "\r\n",   "\n",  ";",          "/",
    "8",           "9",          "-",          "K",      "k",   "Q",          "p",
    "P",           " w ",        " b ",        " KQkq ", " - ", "e3",         "a6",
    "on",          "off",        "true",       "false",  "\"",  "\\",         ",",
};

// Long enough for a run to pass every reader's length limit for a token or
// a word, the PGN move token's 15 characters among them.
constexpr size_t LONGEST_MADE_RUN = 64;

struct Mutator {
  std::mt19937_64 random;
  size_t max_len;

  size_t Below(size_t n) { return n == 0 ? 0 : size_t(random() % n); }

  void Mutate(Bytes* data, const std::vector<Bytes>& corpus) {
    const int steps = 1 + int(Below(4));
    for (int step = 0; step < steps; step++) {
      const size_t size = data->size();
      switch (Below(10)) {
        case 0:  // flip a bit
          if (size) (*data)[Below(size)] ^= uint8_t(1u << Below(8));
          break;
        case 1:  // any byte
          if (size) (*data)[Below(size)] = uint8_t(random());
          break;
        case 2:  // an edge byte
          if (size) {
            static const uint8_t edges[] = {0, 1, 0x7F, 0x80, 0xFF, '\n', '\r', ' ', '0', '9'};
            (*data)[Below(size)] = edges[Below(sizeof edges)];
          }
          break;
        case 3: {  // delete a run
          if (!size) break;
          const size_t at = Below(size), length = 1 + Below(std::min<size_t>(size - at, 16));
          data->erase(data->begin() + long(at), data->begin() + long(at + length));
          break;
        }
        case 4: {  // insert random bytes
          const size_t at = Below(size + 1), length = 1 + Below(8);
          Bytes extra(length);
          for (uint8_t& b : extra) b = uint8_t(random());
          data->insert(data->begin() + long(at), extra.begin(), extra.end());
          break;
        }
        case 5: {  // insert a token
          const char* token = kTokens[Below(std::size(kTokens))];
          data->insert(data->begin() + long(Below(size + 1)), token, token + std::strlen(token));
          break;
        }
        case 6: {  // copy a run inside the input
          if (!size) break;
          const size_t from = Below(size), length = 1 + Below(std::min<size_t>(size - from, 64));
          const Bytes run(data->begin() + long(from), data->begin() + long(from + length));
          data->insert(data->begin() + long(Below(size + 1)), run.begin(), run.end());
          break;
        }
        case 7: {  // splice with another input
          if (corpus.empty()) break;
          const Bytes& other = corpus[Below(corpus.size())];
          if (other.empty()) break;
          const size_t cut = Below(size + 1), from = Below(other.size());
          data->resize(cut);
          data->insert(data->end(), other.begin() + long(from), other.end());
          break;
        }
        case 8: {  // rewrite a number in place
          if (!size) break;
          size_t at = Below(size);
          while (at < size && !((*data)[at] >= '0' && (*data)[at] <= '9')) at++;
          if (at == size) break;
          size_t end = at;
          while (end < size && (*data)[end] >= '0' && (*data)[end] <= '9') end++;
          const std::string number = std::to_string(int64_t(random() % 5000000000ull) - 2500000000ll);
          data->erase(data->begin() + long(at), data->begin() + long(end));
          data->insert(data->begin() + long(at), number.begin(), number.end());
          break;
        }
        case 9: {  // insert a run of one byte value, any value
          const size_t at = Below(size + 1), length = 1 + Below(LONGEST_MADE_RUN);
          data->insert(data->begin() + long(at), length, uint8_t(random()));
          break;
        }
      }
    }
    if (data->size() > max_len) data->resize(max_len);
  }
};

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The longest run of each byte value in the inputs seen.
struct RunReport {
  size_t longest[256] = {};

  void Count(const Bytes& data) {
    for (size_t i = 0; i < data.size();) {
      size_t end = i + 1;
      while (end < data.size() && data[end] == data[i]) end++;
      longest[data[i]] = std::max(longest[data[i]], end - i);
      i = end;
    }
  }
  void Print(size_t length) const {
    int values = 0;
    size_t most = 0;
    for (size_t run : longest) {
      values += run >= length;
      most = std::max(most, run);
    }
    std::fprintf(stderr, "runs of %zu bytes or more of one value: %d of 256 byte values (longest run %zu)\n", length,
                 values, most);
  }
};

void ReadCorpusFolder(const std::string& folder, std::vector<Bytes>* corpus) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    Bytes data;
    if (ReadWholeFile(folder + "/" + entry->d_name, &data)) corpus->push_back(data);
  }
  closedir(dir);
}

}  // namespace

int main(int argc, char** argv) {
  uint64_t seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  long long runs = -1;
  double max_seconds = 0;
  size_t max_len = 4096;
  size_t report_runs = 0;
  std::vector<std::string> folders, files;
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg.rfind("-seed=", 0) == 0)
      seed = std::strtoull(arg.c_str() + 6, nullptr, 10);
    else if (arg.rfind("-runs=", 0) == 0)
      runs = std::atoll(arg.c_str() + 6);
    else if (arg.rfind("-max_total_time=", 0) == 0)
      max_seconds = std::atof(arg.c_str() + 16);
    else if (arg.rfind("-max_len=", 0) == 0)
      max_len = size_t(std::atoll(arg.c_str() + 9));
    else if (arg.rfind("-report_runs=", 0) == 0)
      report_runs = size_t(std::atoll(arg.c_str() + 13));
    else if (arg[0] == '-')
      std::fprintf(stderr, "ignored: %s\n", arg.c_str());
    else if (IsDirectory(arg))
      folders.push_back(arg);
    else
      files.push_back(arg);
  }
  if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(SaveCurrentInput);
  for (int s : {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS}) std::signal(s, OnSignal);
  InitEngineForFuzzing();
  std::atexit(OnExitDuringInput);

  // A replay: each file once.
  for (const std::string& path : files) {
    Bytes data;
    if (!ReadWholeFile(path, &data)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    std::fprintf(stderr, "running %s (%zu bytes)\n", path.c_str(), data.size());
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  if (folders.empty()) {
    std::fprintf(stderr, "%zu inputs ran\n", files.size());
    return 0;
  }

  std::vector<Bytes> corpus;
  for (const std::string& folder : folders) ReadCorpusFolder(folder, &corpus);
  if (corpus.empty()) corpus.push_back(Bytes());
  std::fprintf(stderr, "seed %llu, %zu seed inputs\n", (unsigned long long)seed, corpus.size());
  Mutator mutator{std::mt19937_64(seed), max_len};
  const auto start = std::chrono::steady_clock::now();
  long long run = 0;
  Bytes input;
  current_input = &input;
  RunReport report;
  for (;; run++) {
    if (runs >= 0 && run >= runs) break;
    if (max_seconds > 0 &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= max_seconds)
      break;
    // Each seed as it is first, then mutants of them.
    if (run < static_cast<long long>(corpus.size())) {
      input = corpus[size_t(run)];
    } else {
      input = corpus[mutator.Below(corpus.size())];
      mutator.Mutate(&input, corpus);
    }
    std::snprintf(crash_name, sizeof crash_name, "crash-%llu-%lld", (unsigned long long)seed, run);
    if (report_runs) report.Count(input);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  crash_name[0] = '\0';
  if (report_runs) report.Print(report_runs);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fprintf(stderr, "done: %lld inputs in %.1f s, seed %llu, nothing found\n", run, seconds,
               (unsigned long long)seed);
  return 0;
}
