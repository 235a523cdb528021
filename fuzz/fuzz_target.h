// fuzz/fuzz_target.h: what every in-process fuzz target shares: the entry
// point each target defines (one reader per target), the engine's start-up
// for a target and a scratch file for readers that take a file name.
// Targets link either with libFuzzer (clang) or with mutation_driver.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

// One input, any bytes; returns 0. A fault shows as a sanitizer report or a
// failed FuzzCheck, which end the process.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// The start-up tables, the committed evaluation parameters, the hash tables
// and a new game, once per process; standard output goes to /dev/null unless
// DRAVELNOR_FUZZ_VERBOSE is set (the readers print their messages there).
void InitEngineForFuzzing();
// Writes the input into the named file of this process's scratch folder and
// returns its path (valid until the next call).
const char* WriteScratchFile(const char* name, const uint8_t* data, size_t size);
// Ends the process with a message on standard error when condition fails:
// a broken promise of a reader is a fault as much as a crash is.
void FuzzCheck(bool condition, const char* what);
