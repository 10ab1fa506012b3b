// A product-list entry: the kind before the first comma, the name after it.
#include "config/ProductEntry.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

TEST(SplitList, KindBeforeTheFirstCommaAndEverythingAfterItAsTheName)
{
    const struct {
        std::int16_t index;
        std::u16string entry;
        std::int16_t kind;
        std::u16string name;
    } cases[] = {
        {3, u"1,ＴＡ,型番,2"s, 1, u"ＴＡ,型番,2"s},
        {0, u"0,ナンバーディスプレー対応モデム（標準ＡＴコマンド）"s, 0,
         u"ナンバーディスプレー対応モデム（標準ＡＴコマンド）"s},
        {7, u" 1 ,x"s, 1, u"x"s},
        {7, u"\t1\t,x"s, 1, u"x"s},
        {7, u"1, padded name "s, 1, u" padded name "s},
        {7, u"-1,x"s, -1, u"x"s},
        {7, u"32767,x"s, 32767, u"x"s},
        {7, u"0,"s, 0, std::u16string()},
        {7, u"1,,"s, 1, u","s},
    };
    for (const auto &c : cases) {
        const ProductEntry e = SplitList(c.index, c.entry);
        EXPECT_EQ(e, (ProductEntry{c.index, c.kind, c.name})) << utf8(c.entry);
    }
}

TEST(SplitList, WithoutAWholeNumberBeforeTheCommaTheKindIsZero)
{
    const struct {
        std::u16string entry;
        std::u16string name;
    } cases[] = {
        {u"no comma"s, std::u16string()}, // no comma: no name either
        {std::u16string(), std::u16string()},
        {u"1"s, std::u16string()},
        {u"abc,x"s, u"x"s},
        {u",x"s, u"x"s},
        {u"1.5,x"s, u"x"s},
        {u"1 2,x"s, u"x"s},
        {u"99999,x"s, u"x"s}, // beyond 16 bits
        {u"1x,y"s, u"y"s},
    };
    for (const auto &c : cases) {
        const ProductEntry e = SplitList(5, c.entry);
        EXPECT_EQ(e, (ProductEntry{5, 0, c.name})) << utf8(c.entry);
    }
}
