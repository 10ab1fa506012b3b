// What the fuzz targets share: a check that names the broken invariant and
// stops the run (so libFuzzer keeps the input), the settings file's blanks
// and byte-order mark as the targets model them, and a few text tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace FuzzCheck {
[[noreturn]] inline void fail(const char *file, int line, const char *condition)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

inline const std::string Bom = "\xEF\xBB\xBF";

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

template <typename Text, typename Part> bool contains(const Text &text, const Part &part)
{
    return text.find(part) != Text::npos;
}
} // namespace FuzzCheck

#define CHECK(condition) ((condition) ? void(0) : FuzzCheck::fail(__FILE__, __LINE__, #condition))
