// The fuzz targets: one entry function per input the product reads from outside (image files and data,
// the defaults file, stored shortcuts, the acknowledgements, autostart entries, key event sequences, web
// searches). The libFuzzer programs (libfuzzer/, built with OCULO_BUILD_FUZZ) call one of them per input;
// tst_fuzzregressions feeds them every seed and every kept regression in the normal test suite. Main
// thread, after the application object exists. A broken expectation reports itself and aborts.
#pragma once

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

namespace FuzzTargets {

struct Target {
    const char* name; // the folder of its seeds and regressions, and of its libFuzzer program
    void (*setUp)();  // once, before the first input; calling it again does nothing
    void (*run)(QByteArrayView input);
};

extern const Target imageLoader;
extern const Target userDefaults;
extern const Target shortcut;
extern const Target acknowledgements;
extern const Target autostartEntry;
extern const Target stateMachines;
extern const Target webSearch;

[[noreturn]] void checkFailed(const char* condition, const char* file, int line);

} // namespace FuzzTargets

// An expectation about the code under test; unlike assert it holds in every build type.
#define FUZZ_CHECK(condition)                                                                                \
    ((condition) ? void() : FuzzTargets::checkFailed(#condition, __FILE__, __LINE__))
