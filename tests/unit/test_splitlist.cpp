// A product-list entry: the kind before the first comma, the name after it.
#include "config/ProductEntry.h"

#include <gtest/gtest.h>

TEST(SplitList, KindBeforeTheFirstCommaAndEverythingAfterItAsTheName)
{
    const struct {
        std::int16_t index;
        QString entry;
        std::int16_t kind;
        QString name;
    } cases[] = {
        {3, QStringLiteral("1,ＴＡ,型番,2"), 1, QStringLiteral("ＴＡ,型番,2")},
        {0, QStringLiteral("0,ナンバーディスプレー対応モデム（標準ＡＴコマンド）"), 0,
         QStringLiteral("ナンバーディスプレー対応モデム（標準ＡＴコマンド）")},
        {7, QStringLiteral(" 1 ,x"), 1, QStringLiteral("x")},
        {7, QStringLiteral("\t1\t,x"), 1, QStringLiteral("x")},
        {7, QStringLiteral("1, padded name "), 1, QStringLiteral(" padded name ")},
        {7, QStringLiteral("-1,x"), -1, QStringLiteral("x")},
        {7, QStringLiteral("32767,x"), 32767, QStringLiteral("x")},
        {7, QStringLiteral("0,"), 0, QString()},
        {7, QStringLiteral("1,,"), 1, QStringLiteral(",")},
    };
    for (const auto &c : cases) {
        const ProductEntry e = SplitList(c.index, c.entry);
        EXPECT_EQ(e, (ProductEntry{c.index, c.kind, c.name})) << qPrintable(c.entry);
    }
}

TEST(SplitList, WithoutAWholeNumberBeforeTheCommaTheKindIsZero)
{
    const struct {
        QString entry;
        QString name;
    } cases[] = {
        {QStringLiteral("no comma"), QString()}, // no comma: no name either
        {QString(), QString()},
        {QStringLiteral("1"), QString()},
        {QStringLiteral("abc,x"), QStringLiteral("x")},
        {QStringLiteral(",x"), QStringLiteral("x")},
        {QStringLiteral("1.5,x"), QStringLiteral("x")},
        {QStringLiteral("1 2,x"), QStringLiteral("x")},
        {QStringLiteral("99999,x"), QStringLiteral("x")}, // beyond 16 bits
        {QStringLiteral("1x,y"), QStringLiteral("y")},
    };
    for (const auto &c : cases) {
        const ProductEntry e = SplitList(5, c.entry);
        EXPECT_EQ(e, (ProductEntry{5, 0, c.name})) << qPrintable(c.entry);
    }
}
