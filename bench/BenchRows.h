// What the benchmarks share: order statistics, and the rows scripts/bench.sh
// gathers into its table ("row", figure, measured, target, verdict).
#pragma once

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace BenchRows {

inline double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * values.size()));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

inline double median(const std::vector<double> &values)
{
    return percentile(values, 0.5);
}

// The verdict: "ok" or "MISSED" against a target; "-" without one.
inline void row(const QString &figure, const QString &measured, const QString &target,
                std::optional<bool> met)
{
    std::printf("row\t%s\t%s\t%s\t%s\n", qPrintable(figure), qPrintable(measured),
                qPrintable(target), met ? (*met ? "ok" : "MISSED") : "-");
    std::fflush(stdout);
}

// No target, but "MISSED" when the run that gave the figure went wrong.
inline std::optional<bool> sound(bool ok)
{
    return ok ? std::nullopt : std::optional<bool>(false);
}

} // namespace BenchRows
