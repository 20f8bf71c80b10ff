// FUZZ_CHECK(condition) or FUZZ_CHECK(condition, detail): a broken invariant prints what broke
// and aborts, so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void FuzzCheck(bool ok, const char* file, int line, const char* what,
                      const std::string& detail = "") {
  if (ok) return;
  std::fprintf(stderr, "%s:%d: check failed: %s\n%s\n", file, line, what, detail.c_str());
  std::abort();
}
#define FUZZ_CHECK(condition, ...) \
  FuzzCheck(condition, __FILE__, __LINE__, #condition __VA_OPT__(, ) __VA_ARGS__)
