// What the fuzz targets share: a check that names the broken invariant and
// stops the run (so libFuzzer keeps the input), and the settings file's blanks
// and byte-order mark as the targets model them.
#pragma once

#include <QByteArray>
#include <QChar>
#include <cstdio>
#include <cstdlib>

namespace FuzzCheck {
[[noreturn]] inline void fail(const char *file, int line, const char *condition)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

inline const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
} // namespace FuzzCheck

#define CHECK(condition) ((condition) ? void(0) : FuzzCheck::fail(__FILE__, __LINE__, #condition))
