// The settings dialog's logic on a real settings file: what it shows when it
// opens and what "登録" and "キャンセル" store.
#include "Fakes.h"
#include "ProgramFolder.h"
#include "config/EnvSettings.h"
#include "config/basNbComIni.h"
#include "state/ProgramState.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

namespace {

const std::u16string ProductList = u"[NUBREL]\n"
                                   "PRODUCTSLISTCNT=3\n"
                                   "PRODUCTSLIST0=0,モデムＡ\n"
                                   "PRODUCTSLIST1=1,ＴＡ　Ｂ\n"
                                   "PRODUCTSLIST2=1,ＴＡ　Ｃ\n"s;

struct EnvRig {
    ProgramFolder folder;
    basNbComIni ini{folder.path()};
    ProgramState state;
    FakePrompts prompts;
    EnvSettings env{state, ini, prompts};

    explicit EnvRig(const std::u16string &iniText = ProductList) { folder.writeIni(iniText); }
    std::u16string env_(const char *key) const
    {
        return ini.GetIniString(u"ENV"s, Text::fromLatin1(key), u"(none)"s);
    }
    std::u16string productsIdx() const
    {
        return ini.GetIniString(u"NUBREL"s, u"PRODUCTSIDX"s, u"(none)"s);
    }
};

} // namespace

TEST(EnvSettingsLoad, SwitchesOnTheStoredButtonsAndNoneForValuesItDoesNotOffer)
{
    constexpr int None = EnvSettings::NoButton;
    struct Case {
        std::int16_t comPort;
        int portButton;
        std::int16_t histTxt;
        int histButton;
    } cases[] = {
        {1, 1, 0, 0},       {3, 3, 1, 1},        {4, 4, 1, 1},
        {0, None, 2, None}, {5, None, -1, None}, {-3, None, 7, None},
    };
    for (const Case &c : cases) {
        EnvRig r;
        r.state.ComPort = c.comPort;
        r.state.HistTxt = c.histTxt;
        r.state.EnvRegistered = true;
        r.env.Form_Load();
        EXPECT_FALSE(r.state.EnvRegistered);
        EXPECT_EQ(r.env.comPort(), c.portButton) << c.comPort;
        EXPECT_EQ(r.env.histTxt(), c.histButton) << c.histTxt;
        EXPECT_EQ(r.state.ComPort, c.comPort) << "loading changes no setting";
    }

    // "登録" with no button on keeps the value: a port mapped in [PORTS] beyond
    // COM4, the history switched off by a 2.
    EnvRig r;
    r.state.ComPort = 5;
    r.state.HistTxt = 2;
    r.env.Form_Load();
    r.env.setProductIndex(0);
    EXPECT_TRUE(r.env.cmdOK_Click(0));
    EXPECT_EQ(r.state.ComPort, 5);
    EXPECT_EQ(r.state.HistTxt, 2);
    EXPECT_EQ(r.env_("COMPORT"), u"5"s);
    EXPECT_EQ(r.env_("HISTTXT"), u"2"s);
}

TEST(EnvSettingsLoad, OffersTheSeventeenSpeedsAndSelectsTheStoredOneOr9600)
{
    EnvRig r;
    r.env.Form_Load();
    EXPECT_EQ(r.env.speedLines(), std::vector<std::u16string>(
                                      {u"75"s, u"110"s, u"134"s, u"150"s, u"300"s, u"600"s,
                                       u"1200"s, u"1800"s, u"2400"s, u"4800"s, u"7200"s, u"9600"s,
                                       u"14400"s, u"19200"s, u"38400"s, u"57600"s, u"115200"s}));

    struct Case {
        std::u16string comSpeed;
        int line;
        std::u16string stored;
    } cases[] = {
        {u"9600 "s, 11, u"9600"s}, {u"  115200"s, 16, u"115200"s}, {u"75"s, 0, u"75"s},
        {u"12345"s, 11, u"9600"s}, {u"fast"s, 11, u"9600"s},       {std::u16string(), 11, u"9600"s},
    };
    for (const Case &c : cases) {
        EnvRig rig;
        rig.state.ComSpeed = c.comSpeed;
        rig.state.Product.ListIndex = 0;
        rig.env.Form_Load();
        EXPECT_EQ(rig.env.speedIndex(), c.line) << utf8(c.comSpeed);
        EXPECT_EQ(rig.env.speedText(), rig.env.speedLines().at(c.line));
        ASSERT_TRUE(rig.env.cmdOK_Click(0));
        EXPECT_EQ(rig.state.ComSpeed, c.stored) << utf8(c.comSpeed);
        EXPECT_EQ(rig.env_("COMSPEED"), c.stored) << utf8(c.comSpeed);
    }
}

TEST(EnvSettingsLoad, ListsTheNonEmptyProductsInKeyOrderAndSelectsTheCurrentKey)
{
    const std::u16string gaps = u"[NUBREL]\n"
                                "PRODUCTSLISTCNT=3\n"
                                "PRODUCTSLIST0=0,モデムＡ\n"
                                "PRODUCTSLIST1=\n"
                                "PRODUCTSLIST2=1,ＴＡ　Ｃ\n"
                                "PRODUCTSLIST3=1,数に入らない\n"s;
    const std::u16string four = u"[NUBREL]\nPRODUCTSLISTCNT=4\n"
                                "PRODUCTSLIST0=0,a\nPRODUCTSLIST1=0,b\n"
                                "PRODUCTSLIST2=1,c\nPRODUCTSLIST3=1,d\n"
                                "PRODUCTSLIST4=1,e\n"s;
    struct Case {
        const char *what;
        std::u16string ini;
        std::int16_t current;
        std::vector<std::u16string> lines;
        std::vector<std::int16_t> keys;
        int selected;
    } cases[] = {
        {"a gap: keys 0 and 2", gaps, 0, {u"モデムＡ"s, u"ＴＡ　Ｃ"s}, {0, 2}, 0},
        {"key 2 is on line 1", gaps, 2, {u"モデムＡ"s, u"ＴＡ　Ｃ"s}, {0, 2}, 1},
        {"the empty key selects nothing", gaps, 1, {u"モデムＡ"s, u"ＴＡ　Ｃ"s}, {0, 2}, -1},
        {"ListIndex 4 of 4", four, 4, {u"a"s, u"b"s, u"c"s, u"d"s}, {0, 1, 2, 3}, -1},
        {"ListIndex 3 of 4", four, 3, {u"a"s, u"b"s, u"c"s, u"d"s}, {0, 1, 2, 3}, 3},
        {"negative", four, -1, {u"a"s, u"b"s, u"c"s, u"d"s}, {0, 1, 2, 3}, -1},
        {"no count", u"[NUBREL]\nPRODUCTSLIST0=0,a\n"s, 0, {}, {}, -1},
        {"count 0", u"[NUBREL]\nPRODUCTSLISTCNT=0\nPRODUCTSLIST0=0,a\n"s, 0, {}, {}, -1},
        {"every entry empty", u"[NUBREL]\nPRODUCTSLISTCNT=2\nPRODUCTSLIST0=\n"s, 0, {}, {}, -1},
    };
    for (const Case &c : cases) {
        EnvRig r(c.ini);
        r.state.Product.ListIndex = c.current;
        r.env.Form_Load();
        EXPECT_EQ(r.env.productLines(), c.lines) << c.what;
        std::vector<std::int16_t> keys;
        for (const ProductEntry &e : r.env.productEntries())
            keys.push_back(e.ListIndex);
        EXPECT_EQ(keys, c.keys) << c.what;
        EXPECT_EQ(r.env.productIndex(), c.selected) << c.what;
        EXPECT_EQ(r.env.productText(), c.selected >= 0 ? c.lines.at(c.selected) : std::u16string())
            << c.what;
    }
}

TEST(EnvSettingsRegister, StoresTheFourSettingsAndTheChosenKey)
{
    const std::u16string gaps = u"[ENV]\nCOMPORT=2\n[NUBREL]\nPRODUCTSIDX=0\n"
                                "PRODUCTSLISTCNT=3\nPRODUCTSLIST0=0,モデムＡ\n"
                                "PRODUCTSLIST2=1,ＴＡ　Ｃ\n"s;
    struct Case {
        const char *what;
        std::u16string ini;
        int line;
        ProductEntry product;
    } cases[] = {
        {"line 1 of a list without gaps", ProductList, 1, {1, 1, u"ＴＡ　Ｂ"s}},
        {"line 1 shows key 2", gaps, 1, {2, 1, u"ＴＡ　Ｃ"s}},
    };
    for (const Case &c : cases) {
        EnvRig r(c.ini);
        r.env.Form_Load();
        r.env.setComPort(4);
        r.env.setSpeedIndex(13);
        r.env.setHistTxt(1);
        r.env.setProductIndex(c.line);
        EXPECT_TRUE(r.env.cmdOK_Click(0)) << c.what;
        EXPECT_TRUE(r.state.EnvRegistered) << c.what;
        EXPECT_EQ(r.state.ComPort, 4);
        EXPECT_EQ(r.state.ComSpeed, u"19200"s);
        EXPECT_EQ(r.state.HistTxt, 1);
        EXPECT_EQ(r.state.Product, c.product) << c.what;
        EXPECT_EQ(r.env_("COMPORT"), u"4"s);
        EXPECT_EQ(r.env_("COMSPEED"), u"19200"s);
        EXPECT_EQ(r.env_("HISTTXT"), u"1"s);
        EXPECT_EQ(r.productsIdx(), Text::number(c.product.ListIndex)) << c.what;
        EXPECT_TRUE(r.prompts.m_messages.empty());
        // What start-up reads back is the product chosen.
        const std::int16_t idx = r.ini.GetIniInt(u"NUBREL"s, u"PRODUCTSIDX"s, 0);
        EXPECT_EQ(
            SplitList(idx, r.ini.GetIniString(u"NUBREL"s, u"PRODUCTSLIST"s + Text::number(idx),
                                              std::u16string())),
            c.product)
            << c.what;
    }
}

TEST(EnvSettingsRegister, WithoutAProductAsksAndKeepsTheProductButStoresTheRest)
{
    EnvRig r;
    r.state.Product = {4, 1, u"以前の製品"s};
    r.folder.writeIni(ProductList + u"PRODUCTSIDX=4\n"s);
    r.env.Form_Load();
    ASSERT_EQ(r.env.productIndex(), -1);
    r.env.setComPort(3);
    r.env.setHistTxt(1);

    EXPECT_FALSE(r.env.cmdOK_Click(0)) << "the dialog stays open";
    ASSERT_EQ(r.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.prompts.m_messages[0].text, u"通信機器の製品名リストを選択してください。"s);
    EXPECT_EQ(r.prompts.m_messages[0].title, u"ＶＯＲＤＥＫ／環境設定"s);
    EXPECT_EQ(r.prompts.m_messages[0].icon, MessageIcon::None);
    EXPECT_FALSE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.Product, (ProductEntry{4, 1, u"以前の製品"s}));
    EXPECT_EQ(r.productsIdx(), u"4"s);
    EXPECT_EQ(r.state.ComPort, 3) << "port, speed and history are stored before the check";
    EXPECT_EQ(r.env_("COMPORT"), u"3"s);
    EXPECT_EQ(r.env_("COMSPEED"), u"9600"s);
    EXPECT_EQ(r.env_("HISTTXT"), u"1"s);

    // Typed text in the product box names no product either.
    r.env.setProductIndex(0);
    r.env.setProductText(u"モデムＡ（改）"s);
    EXPECT_FALSE(r.env.cmdOK_Click(0));
    EXPECT_EQ(r.prompts.m_messages.size(), 2u);

    r.env.setProductIndex(2);
    EXPECT_TRUE(r.env.cmdOK_Click(0));
    EXPECT_TRUE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.Product, (ProductEntry{2, 1, u"ＴＡ　Ｃ"s}));
    EXPECT_EQ(r.productsIdx(), u"2"s);
}

TEST(EnvSettingsRegister, TypedSpeedIsTakenOnlyWhenItIsANumber)
{
    struct Case {
        std::u16string typed;
        std::u16string stored;
    } cases[] = {
        {u"28800"s, u"28800"s}, {u" 230400 "s, u"230400"s}, {u" 4800 "s, u"4800"s},
        {u"速い"s, u"4800"s},   {u"96OO"s, u"4800"s},       {std::u16string(), u"4800"s},
    };
    for (const Case &c : cases) {
        EnvRig r;
        r.state.Product.ListIndex = 1;
        r.env.Form_Load();
        r.env.setSpeedIndex(9); // "4800"
        r.env.setSpeedText(c.typed);
        ASSERT_TRUE(r.env.cmdOK_Click(0));
        EXPECT_EQ(r.state.ComSpeed, c.stored) << utf8(c.typed);
        EXPECT_EQ(r.env_("COMSPEED"), c.stored) << utf8(c.typed);
    }
}

TEST(EnvSettingsCancel, StoresNothing)
{
    EnvRig r;
    r.state.Product.ListIndex = 0;
    r.env.Form_Load();
    const std::string before = r.folder.readBytes(u"Nubrel.ini"s);
    const ProgramState old = r.state;
    r.env.setComPort(1);
    r.env.setSpeedIndex(0);
    r.env.setHistTxt(1);
    r.env.setProductIndex(2);
    EXPECT_TRUE(r.env.cmdOK_Click(1));
    EXPECT_EQ(r.folder.readBytes(u"Nubrel.ini"s), before);
    EXPECT_FALSE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.ComPort, old.ComPort);
    EXPECT_EQ(r.state.ComSpeed, old.ComSpeed);
    EXPECT_EQ(r.state.HistTxt, old.HistTxt);
    EXPECT_EQ(r.state.Product, old.Product);
    EXPECT_TRUE(r.prompts.m_messages.empty());
}
