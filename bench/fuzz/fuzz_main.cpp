// The parser fuzz driver. tools/fuzz.py supervises it; by hand:
//
//   fuzz_parsers run --family F --work DIR [--seed S] [--first N] [--count N]
//                [--guard off|aligned|exact] [--seeds DIR] [--max-bytes N]
//                [--max-depth N] [--max-attributes N]
//   fuzz_parsers emit --family F --index I --out FILE [same generation options]
//   fuzz_parsers replay --family F --work DIR [--guard MODE] FILE...
//   fuzz_parsers probe-overread --size N --offset K [--guard MODE]
//   fuzz_parsers families
//
// While it works it keeps the number of the current input in DIR\F.beat (a
// mapped file the supervisor reads to spot hangs). A crash writes the current
// input to DIR\F.crash, a line "fuzz: crash …" to standard error and ends the
// process with kExitCrash; a broken rule does the same with kExitFailure.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/fuzz/fuzz_mutator.h"
#include "bench/fuzz/fuzz_targets.h"
#include "bench/fuzz/guard_heap.h"
#include "skin/resources/text_encoding.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitCrash = 241;
constexpr int kExitFailure = 242;
// Inputs larger than this are cut short in the crash file; the supervisor
// can regenerate them whole.
constexpr size_t kInputBufferBytes = 16u << 20;

// Everything the exception filter touches is prepared before any input runs.
struct CrashRecord {
  char* input = nullptr;
  size_t length = 0;
  wchar_t path[MAX_PATH] = {};
  uint64_t index = 0;
};
CrashRecord gCrash;

struct Heartbeat {
  uint32_t magic;  // 'FZHB'
  uint32_t done;
  uint64_t index;
};
volatile Heartbeat* gBeat = nullptr;

void WriteStderr(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

void SaveCurrentInput() {
  HANDLE file = CreateFileW(gCrash.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (gCrash.length) WriteFile(file, gCrash.input, static_cast<DWORD>(gCrash.length), &written, nullptr);
  CloseHandle(file);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  SaveCurrentInput();
  char line[160];
  std::snprintf(line, sizeof(line), "fuzz: crash code=0x%08lX address=0x%08lX index=%llu\n",
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress)),
                static_cast<unsigned long long>(gCrash.index));
  WriteStderr(line);
  TerminateProcess(GetCurrentProcess(), kExitCrash);
  return EXCEPTION_EXECUTE_HANDLER;
}

void InstallCrashHandler(const std::wstring& crashPath) {
  gCrash.input = static_cast<char*>(VirtualAlloc(nullptr, kInputBufferBytes, MEM_COMMIT, PAGE_READWRITE));
  lstrcpynW(gCrash.path, crashPath.c_str(), MAX_PATH);
  // Room for the filter itself when the fault is a stack overflow.
  ULONG guarantee = 64 * 1024;
  SetThreadStackGuarantee(&guarantee);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnUnhandledException);
}

void SetCurrentInput(const std::string& input, uint64_t index) {
  gCrash.length = 0;
  gCrash.index = index;
  if (gCrash.input) {
    const size_t length = input.size() < kInputBufferBytes ? input.size() : kInputBufferBytes;
    std::memcpy(gCrash.input, input.data(), length);
    gCrash.length = length;
  }
  if (gBeat) gBeat->index = index;
}

// The heartbeat lives in a small mapped file so that the supervisor sees
// every store without the driver making a call per input.
bool OpenHeartbeat(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, sizeof(Heartbeat), nullptr);
  CloseHandle(file);
  if (!mapping) return false;
  // The view keeps the mapping alive for the life of the process.
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Heartbeat));
  CloseHandle(mapping);
  if (!view) return false;
  gBeat = static_cast<volatile Heartbeat*>(view);
  gBeat->index = 0;
  gBeat->done = 0;
  gBeat->magic = 0x42485A46;
  return true;
}

void FinishHeartbeat() {
  if (gBeat) gBeat->done = 1;
}

[[noreturn]] void ReportFailure(const std::string& message) {
  SaveCurrentInput();
  const std::string line = "fuzz: failed index=" + std::to_string(gCrash.index) + ": " + message + "\n";
  WriteStderr(line.c_str());
  FinishHeartbeat();
  ExitProcess(kExitFailure);
}

struct Options {
  std::string command;
  std::string family;
  std::wstring work;
  std::wstring seeds;
  std::wstring out;
  uint64_t seed = 1;
  uint64_t first = 0;
  uint64_t count = 1000;
  uint64_t index = 0;
  size_t size = 16;
  size_t offset = 16;
  GuardMode guard = GuardMode::Off;
  FuzzLimits limits;
  std::vector<std::wstring> files;
};

bool ParseGuard(const std::wstring& word, GuardMode& mode) {
  if (word == L"off") mode = GuardMode::Off;
  else if (word == L"aligned") mode = GuardMode::Aligned;
  else if (word == L"exact") mode = GuardMode::Exact;
  else return false;
  return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
  if (argc < 2) return false;
  options.command = WideToUtf8(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg.rfind(L"--", 0) != 0) {
      options.files.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::wstring value = argv[++i];
    const uint64_t number = _wcstoui64(value.c_str(), nullptr, 10);
    if (arg == L"--family") options.family = WideToUtf8(value);
    else if (arg == L"--work") options.work = value;
    else if (arg == L"--seeds") options.seeds = value;
    else if (arg == L"--out") options.out = value;
    else if (arg == L"--seed") options.seed = number;
    else if (arg == L"--first") options.first = number;
    else if (arg == L"--count") options.count = number;
    else if (arg == L"--index") options.index = number;
    else if (arg == L"--size") options.size = static_cast<size_t>(number);
    else if (arg == L"--offset") options.offset = static_cast<size_t>(number);
    else if (arg == L"--max-bytes") options.limits.maxBytes = static_cast<size_t>(number);
    else if (arg == L"--max-depth") options.limits.maxDepth = static_cast<size_t>(number);
    else if (arg == L"--max-attributes") options.limits.maxAttributes = static_cast<size_t>(number);
    else if (arg == L"--guard") {
      if (!ParseGuard(value, options.guard)) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::string ReadWholeFile(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (256 << 20)) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
  }
  CloseHandle(file);
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() ||
                  (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                   written == bytes.size());
  CloseHandle(file);
  return ok;
}

// The family's own seeds, then the files of SEEDS\<family>\ in name order.
std::vector<std::string> LoadSeeds(const FuzzFamily& family, const std::wstring& seedFolder) {
  std::vector<std::string> seeds = family.seeds();
  if (seedFolder.empty()) return seeds;
  const std::wstring folder = seedFolder + L"\\" + Utf8ToWide(family.name);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return seeds;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  for (const std::wstring& name : names) seeds.push_back(ReadWholeFile(folder + L"\\" + name));
  return seeds;
}

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PrintSummary(const Options& options, uint64_t inputs, double seconds) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  std::printf("fuzz: done family=%s inputs=%llu seconds=%.3f peak_working_set=%lu peak_pagefile=%lu "
              "guard_fallbacks=%lu\n",
              options.family.c_str(), static_cast<unsigned long long>(inputs), seconds,
              static_cast<unsigned long>(memory.PeakWorkingSetSize), static_cast<unsigned long>(memory.PeakPagefileUsage),
              static_cast<unsigned long>(GuardFallbackCount()));
  std::fflush(stdout);
}

// Sets up the scratch skin folder, heartbeat and crash file under the work
// folder; the guard goes on last, so that set-up allocations stay ordinary.
bool Prepare(const Options& options, FuzzContext& context) {
  if (options.work.empty()) return false;
  CreateDirectoryW(options.work.c_str(), nullptr);
  const std::wstring family = Utf8ToWide(options.family);
  context.skinFolder = options.work + L"\\skin-" + family;
  CreateDirectoryW(context.skinFolder.c_str(), nullptr);
  InstallCrashHandler(options.work + L"\\" + family + L".crash");
  if (!OpenHeartbeat(options.work + L"\\" + family + L".beat")) return false;
  return SetGuardMode(options.guard);
}

// Runs inputs first..first+count-1 of `next` (which yields input number n)
// through the family, then reports the time and memory they took.
template <typename NextInput>
int RunInputs(const Options& options, const FuzzFamily& family, uint64_t first, uint64_t count, NextInput next) {
  FuzzContext context;
  if (!Prepare(options, context)) return kExitUsage;
  const double start = Seconds();
  for (uint64_t index = first; index < first + count; ++index) {
    const std::string input = next(index);
    SetCurrentInput(input, index);
    const std::string broken = family.run(input, context);
    if (!broken.empty()) ReportFailure(broken);
  }
  const double seconds = Seconds() - start;
  SetGuardMode(GuardMode::Off);
  FinishHeartbeat();
  PrintSummary(options, count, seconds);
  return 0;
}

int Run(const Options& options, const FuzzFamily& family) {
  const std::vector<std::string> seeds = LoadSeeds(family, options.seeds);
  const uint64_t salt = NameSalt(family.name);
  return RunInputs(options, family, options.first, options.count, [&](uint64_t index) {
    return MakeFuzzInput(seeds, salt, options.seed, index, options.limits);
  });
}

int Replay(const Options& options, const FuzzFamily& family) {
  return RunInputs(options, family, 0, options.files.size(),
                   [&](uint64_t index) { return ReadWholeFile(options.files[static_cast<size_t>(index)]); });
}

int Emit(const Options& options, const FuzzFamily& family) {
  const std::vector<std::string> seeds = LoadSeeds(family, options.seeds);
  std::vector<std::string> applied;
  const std::string input =
      MakeFuzzInput(seeds, NameSalt(family.name), options.seed, options.index, options.limits, &applied);
  if (options.out.empty() || !WriteWholeFile(options.out, input)) return kExitUsage;
  std::string names;
  for (const std::string& name : applied) names += (names.empty() ? "" : ",") + name;
  std::printf("fuzz: emitted family=%s seed=%llu index=%llu bytes=%lu mutations=%s\n", family.name,
              static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(options.index),
              static_cast<unsigned long>(input.size()), names.c_str());
  return 0;
}

// Reads `offset` bytes into a fresh block of `size` bytes: past its end when
// offset >= size, which the guard heap must turn into a crash.
int ProbeOverread(const Options& options) {
  InstallCrashHandler(L"NUL");
  if (!SetGuardMode(options.guard)) return kExitUsage;
  char* block = new char[options.size];
  std::memset(block, 'x', options.size);
  const volatile char* read = block;
  const char byte = read[options.offset];
  delete[] block;
  std::printf("fuzz: read %d\n", byte);
  return 0;
}

void PrintUsage() {
  std::fprintf(stderr,
               "usage: fuzz_parsers run|emit|replay|probe-overread|families [options]\n"
               "  see the head of bench/fuzz/fuzz_main.cpp\n");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    PrintUsage();
    return kExitUsage;
  }
  if (options.command == "families") {
    for (const FuzzFamily& family : FuzzFamilies()) std::printf("%s\n", family.name);
    return 0;
  }
  if (options.command == "probe-overread") return ProbeOverread(options);
  const FuzzFamily* family = FindFuzzFamily(options.family);
  if (!family) {
    PrintUsage();
    return kExitUsage;
  }
  if (options.command == "run") return Run(options, *family);
  if (options.command == "replay") return Replay(options, *family);
  if (options.command == "emit") return Emit(options, *family);
  PrintUsage();
  return kExitUsage;
}
