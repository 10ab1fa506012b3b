// The one crossing between the logic's standard text and Qt's.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

inline QString toQt(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline std::u16string fromQt(const QString &text)
{
    return text.toStdU16String();
}

inline QStringList toQt(const std::vector<std::u16string> &texts)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::u16string &text : texts)
        list.append(toQt(text));
    return list;
}

inline std::vector<std::u16string> fromQt(const QStringList &texts)
{
    std::vector<std::u16string> list;
    list.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString &text : texts)
        list.push_back(fromQt(text));
    return list;
}

inline QByteArray toQtBytes(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
