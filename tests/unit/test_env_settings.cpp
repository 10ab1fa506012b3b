// The settings dialog's logic on a real settings file: what it shows when it
// opens and what "登録" and "キャンセル" store.
#include "Fakes.h"
#include "ProgramFolder.h"
#include "config/EnvSettings.h"
#include "config/basNbComIni.h"
#include "state/ProgramState.h"

#include <gtest/gtest.h>

namespace {

const QString ProductList = QStringLiteral("[NUBREL]\n"
                                           "PRODUCTSLISTCNT=3\n"
                                           "PRODUCTSLIST0=0,モデムＡ\n"
                                           "PRODUCTSLIST1=1,ＴＡ　Ｂ\n"
                                           "PRODUCTSLIST2=1,ＴＡ　Ｃ\n");

struct EnvRig {
    ProgramFolder folder;
    basNbComIni ini{folder.path()};
    ProgramState state;
    FakePrompts prompts;
    EnvSettings env{state, ini, prompts};

    explicit EnvRig(const QString &iniText = ProductList) { folder.writeIni(iniText); }
    QString env_(const char *key) const
    {
        return ini.GetIniString(QStringLiteral("ENV"), QString::fromLatin1(key),
                                QStringLiteral("(none)"));
    }
    QString productsIdx() const
    {
        return ini.GetIniString(QStringLiteral("NUBREL"), QStringLiteral("PRODUCTSIDX"),
                                QStringLiteral("(none)"));
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
    EXPECT_EQ(r.env_("COMPORT"), QStringLiteral("5"));
    EXPECT_EQ(r.env_("HISTTXT"), QStringLiteral("2"));
}

TEST(EnvSettingsLoad, OffersTheSeventeenSpeedsAndSelectsTheStoredOneOr9600)
{
    EnvRig r;
    r.env.Form_Load();
    EXPECT_EQ(
        r.env.speedLines(),
        QStringList({QStringLiteral("75"), QStringLiteral("110"), QStringLiteral("134"),
                     QStringLiteral("150"), QStringLiteral("300"), QStringLiteral("600"),
                     QStringLiteral("1200"), QStringLiteral("1800"), QStringLiteral("2400"),
                     QStringLiteral("4800"), QStringLiteral("7200"), QStringLiteral("9600"),
                     QStringLiteral("14400"), QStringLiteral("19200"), QStringLiteral("38400"),
                     QStringLiteral("57600"), QStringLiteral("115200")}));

    struct Case {
        QString comSpeed;
        int line;
        QString stored;
    } cases[] = {
        {QStringLiteral("9600 "), 11, QStringLiteral("9600")},
        {QStringLiteral("  115200"), 16, QStringLiteral("115200")},
        {QStringLiteral("75"), 0, QStringLiteral("75")},
        {QStringLiteral("12345"), 11, QStringLiteral("9600")},
        {QStringLiteral("fast"), 11, QStringLiteral("9600")},
        {QString(), 11, QStringLiteral("9600")},
    };
    for (const Case &c : cases) {
        EnvRig rig;
        rig.state.ComSpeed = c.comSpeed;
        rig.state.Product.ListIndex = 0;
        rig.env.Form_Load();
        EXPECT_EQ(rig.env.speedIndex(), c.line) << c.comSpeed.toStdString();
        EXPECT_EQ(rig.env.speedText(), rig.env.speedLines().at(c.line));
        ASSERT_TRUE(rig.env.cmdOK_Click(0));
        EXPECT_EQ(rig.state.ComSpeed, c.stored) << c.comSpeed.toStdString();
        EXPECT_EQ(rig.env_("COMSPEED"), c.stored) << c.comSpeed.toStdString();
    }
}

TEST(EnvSettingsLoad, ListsTheNonEmptyProductsInKeyOrderAndSelectsTheCurrentKey)
{
    const QString gaps = QStringLiteral("[NUBREL]\n"
                                        "PRODUCTSLISTCNT=3\n"
                                        "PRODUCTSLIST0=0,モデムＡ\n"
                                        "PRODUCTSLIST1=\n"
                                        "PRODUCTSLIST2=1,ＴＡ　Ｃ\n"
                                        "PRODUCTSLIST3=1,数に入らない\n");
    const QString four = QStringLiteral("[NUBREL]\nPRODUCTSLISTCNT=4\n"
                                        "PRODUCTSLIST0=0,a\nPRODUCTSLIST1=0,b\n"
                                        "PRODUCTSLIST2=1,c\nPRODUCTSLIST3=1,d\n"
                                        "PRODUCTSLIST4=1,e\n");
    struct Case {
        const char *what;
        QString ini;
        std::int16_t current;
        QStringList lines;
        std::vector<std::int16_t> keys;
        int selected;
    } cases[] = {
        {"a gap: keys 0 and 2",
         gaps,
         0,
         {QStringLiteral("モデムＡ"), QStringLiteral("ＴＡ　Ｃ")},
         {0, 2},
         0},
        {"key 2 is on line 1",
         gaps,
         2,
         {QStringLiteral("モデムＡ"), QStringLiteral("ＴＡ　Ｃ")},
         {0, 2},
         1},
        {"the empty key selects nothing",
         gaps,
         1,
         {QStringLiteral("モデムＡ"), QStringLiteral("ＴＡ　Ｃ")},
         {0, 2},
         -1},
        {"ListIndex 4 of 4",
         four,
         4,
         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")},
         {0, 1, 2, 3},
         -1},
        {"ListIndex 3 of 4",
         four,
         3,
         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")},
         {0, 1, 2, 3},
         3},
        {"negative",
         four,
         -1,
         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")},
         {0, 1, 2, 3},
         -1},
        {"no count", QStringLiteral("[NUBREL]\nPRODUCTSLIST0=0,a\n"), 0, {}, {}, -1},
        {"count 0",
         QStringLiteral("[NUBREL]\nPRODUCTSLISTCNT=0\nPRODUCTSLIST0=0,a\n"),
         0,
         {},
         {},
         -1},
        {"every entry empty",
         QStringLiteral("[NUBREL]\nPRODUCTSLISTCNT=2\nPRODUCTSLIST0=\n"),
         0,
         {},
         {},
         -1},
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
        EXPECT_EQ(r.env.productText(), c.selected >= 0 ? c.lines.at(c.selected) : QString())
            << c.what;
    }
}

TEST(EnvSettingsRegister, StoresTheFourSettingsAndTheChosenKey)
{
    const QString gaps = QStringLiteral("[ENV]\nCOMPORT=2\n[NUBREL]\nPRODUCTSIDX=0\n"
                                        "PRODUCTSLISTCNT=3\nPRODUCTSLIST0=0,モデムＡ\n"
                                        "PRODUCTSLIST2=1,ＴＡ　Ｃ\n");
    struct Case {
        const char *what;
        QString ini;
        int line;
        ProductEntry product;
    } cases[] = {
        {"line 1 of a list without gaps", ProductList, 1, {1, 1, QStringLiteral("ＴＡ　Ｂ")}},
        {"line 1 shows key 2", gaps, 1, {2, 1, QStringLiteral("ＴＡ　Ｃ")}},
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
        EXPECT_EQ(r.state.ComSpeed, QStringLiteral("19200"));
        EXPECT_EQ(r.state.HistTxt, 1);
        EXPECT_EQ(r.state.Product, c.product) << c.what;
        EXPECT_EQ(r.env_("COMPORT"), QStringLiteral("4"));
        EXPECT_EQ(r.env_("COMSPEED"), QStringLiteral("19200"));
        EXPECT_EQ(r.env_("HISTTXT"), QStringLiteral("1"));
        EXPECT_EQ(r.productsIdx(), QString::number(c.product.ListIndex)) << c.what;
        EXPECT_TRUE(r.prompts.m_messages.empty());
        // What start-up reads back is the product chosen.
        const std::int16_t idx =
            r.ini.GetIniInt(QStringLiteral("NUBREL"), QStringLiteral("PRODUCTSIDX"), 0);
        EXPECT_EQ(
            SplitList(idx, r.ini.GetIniString(QStringLiteral("NUBREL"),
                                              QStringLiteral("PRODUCTSLIST") + QString::number(idx),
                                              QString())),
            c.product)
            << c.what;
    }
}

TEST(EnvSettingsRegister, WithoutAProductAsksAndKeepsTheProductButStoresTheRest)
{
    EnvRig r;
    r.state.Product = {4, 1, QStringLiteral("以前の製品")};
    r.folder.writeIni(ProductList + QStringLiteral("PRODUCTSIDX=4\n"));
    r.env.Form_Load();
    ASSERT_EQ(r.env.productIndex(), -1);
    r.env.setComPort(3);
    r.env.setHistTxt(1);

    EXPECT_FALSE(r.env.cmdOK_Click(0)) << "the dialog stays open";
    ASSERT_EQ(r.prompts.m_messages.size(), 1u);
    EXPECT_EQ(r.prompts.m_messages[0].text,
              QStringLiteral("通信機器の製品名リストを選択してください。"));
    EXPECT_EQ(r.prompts.m_messages[0].title, QStringLiteral("ＶＯＲＤＥＫ／環境設定"));
    EXPECT_EQ(r.prompts.m_messages[0].icon, MessageIcon::None);
    EXPECT_FALSE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.Product, (ProductEntry{4, 1, QStringLiteral("以前の製品")}));
    EXPECT_EQ(r.productsIdx(), QStringLiteral("4"));
    EXPECT_EQ(r.state.ComPort, 3) << "port, speed and history are stored before the check";
    EXPECT_EQ(r.env_("COMPORT"), QStringLiteral("3"));
    EXPECT_EQ(r.env_("COMSPEED"), QStringLiteral("9600"));
    EXPECT_EQ(r.env_("HISTTXT"), QStringLiteral("1"));

    // Typed text in the product box names no product either.
    r.env.setProductIndex(0);
    r.env.setProductText(QStringLiteral("モデムＡ（改）"));
    EXPECT_FALSE(r.env.cmdOK_Click(0));
    EXPECT_EQ(r.prompts.m_messages.size(), 2u);

    r.env.setProductIndex(2);
    EXPECT_TRUE(r.env.cmdOK_Click(0));
    EXPECT_TRUE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.Product, (ProductEntry{2, 1, QStringLiteral("ＴＡ　Ｃ")}));
    EXPECT_EQ(r.productsIdx(), QStringLiteral("2"));
}

TEST(EnvSettingsRegister, TypedSpeedIsTakenOnlyWhenItIsANumber)
{
    struct Case {
        QString typed;
        QString stored;
    } cases[] = {
        {QStringLiteral("28800"), QStringLiteral("28800")},
        {QStringLiteral(" 230400 "), QStringLiteral("230400")},
        {QStringLiteral(" 4800 "), QStringLiteral("4800")},
        {QStringLiteral("速い"), QStringLiteral("4800")},
        {QStringLiteral("96OO"), QStringLiteral("4800")},
        {QString(), QStringLiteral("4800")},
    };
    for (const Case &c : cases) {
        EnvRig r;
        r.state.Product.ListIndex = 1;
        r.env.Form_Load();
        r.env.setSpeedIndex(9); // "4800"
        r.env.setSpeedText(c.typed);
        ASSERT_TRUE(r.env.cmdOK_Click(0));
        EXPECT_EQ(r.state.ComSpeed, c.stored) << c.typed.toStdString();
        EXPECT_EQ(r.env_("COMSPEED"), c.stored) << c.typed.toStdString();
    }
}

TEST(EnvSettingsCancel, StoresNothing)
{
    EnvRig r;
    r.state.Product.ListIndex = 0;
    r.env.Form_Load();
    const QByteArray before = r.folder.readBytes(QStringLiteral("Nubrel.ini"));
    const ProgramState old = r.state;
    r.env.setComPort(1);
    r.env.setSpeedIndex(0);
    r.env.setHistTxt(1);
    r.env.setProductIndex(2);
    EXPECT_TRUE(r.env.cmdOK_Click(1));
    EXPECT_EQ(r.folder.readBytes(QStringLiteral("Nubrel.ini")), before);
    EXPECT_FALSE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.ComPort, old.ComPort);
    EXPECT_EQ(r.state.ComSpeed, old.ComSpeed);
    EXPECT_EQ(r.state.HistTxt, old.HistTxt);
    EXPECT_EQ(r.state.Product, old.Product);
    EXPECT_TRUE(r.prompts.m_messages.empty());
}
