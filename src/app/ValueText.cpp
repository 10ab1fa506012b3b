#include "app/ValueText.h"

#include "text/NumericText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace ValueText {

QString formatSingle(double value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                            static_cast<float>(value), std::chars_format::fixed);
    if (error != std::errc())
        return QStringLiteral("0");
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

std::optional<double> parseNumber(const QString &text)
{
    if (!IsNumeric(text))
        return std::nullopt;
    QString plain = text.trimmed();
    plain.remove(u',');
    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString formatFlag(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> parseFlag(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = parseNumber(trimmed))
        return *number != 0;
    return std::nullopt;
}

} // namespace ValueText
