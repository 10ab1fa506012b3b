// The settings dialog on real widgets: what it shows, and what selecting,
// typing and clicking store in the state and in the settings file.
#include "DesignedPixels.h"
#include "Fakes.h"
#include "ProgramFolder.h"
#include "TextFits.h"
#include "config/basNbComIni.h"
#include "frontend/qt/QtDialogs.h"
#include "frontend/qt/QtText.h"
#include "frontend/qt/frmNbEnv.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString Gaps = QStringLiteral("[ENV]\nCOMPORT=2\nCOMSPEED=9600\nHISTTXT=0\n"
                                    "[NUBREL]\nPRODUCTSIDX=0\nPRODUCTSLISTCNT=3\n"
                                    "PRODUCTSLIST0=0,モデムＡ\nPRODUCTSLIST1=\n"
                                    "PRODUCTSLIST2=1,ＴＡ　Ｃ\n");

struct Rig {
    ProgramFolder folder;
    basNbComIni ini{folder.path()};
    ProgramState state;
    FakePrompts prompts;
    explicit Rig(const QString &text = Gaps) { folder.writeIni(fromQt(text)); }
    QString value(const char *section, const char *key) const
    {
        return toQt(ini.GetIniString(fromQt(QString::fromLatin1(section)),
                                     fromQt(QString::fromLatin1(key)), u"(none)"));
    }
};

// What typing does: the edit field's text replaced, keystroke by keystroke.
void type(QComboBox *combo, const QString &text)
{
    combo->lineEdit()->selectAll();
    combo->lineEdit()->del();
    for (QChar ch : text)
        combo->lineEdit()->insert(QString(ch));
}

void pressEscape(QWidget *w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

} // namespace

TEST(frmNbEnvWidget, EveryControlWithItsCaptionAndPlace)
{
    Rig r;
    frmNbEnv dlg(r.state, r.ini, r.prompts);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_EQ(dlg.size(), QSize(pixels(dlg, 5430), pixels(dlg, 5325)));
    EXPECT_TRUE(dlg.isModal());

    struct Control {
        const char *name;
        QString caption;
        const char *in;
        int left, top, width, height;
    } table[] = {
        {"Frame1", QStringLiteral("通信ポート"), nullptr, 180, 180, 5055, 975},
        {"rbtnCom1", QStringLiteral("COM1"), "Frame1", 240, 360, 795, 435},
        {"rbtnCom2", QStringLiteral("COM2"), "Frame1", 1440, 360, 795, 435},
        {"rbtnCom3", QStringLiteral("COM3"), "Frame1", 2640, 360, 795, 435},
        {"rbtnCom4", QStringLiteral("COM4"), "Frame1", 3840, 360, 795, 435},
        {"Frame2", QStringLiteral("通信速度"), nullptr, 180, 1260, 5055, 1035},
        {"Label1", QStringLiteral("ﾎﾞｰﾚｰﾄ"), "Frame2", 360, 360, 735, 255},
        {"cmbSpeed", QString(), "Frame2", 1140, 300, 2235, 300},
        {"Label2_0", QStringLiteral("ｺﾝﾋﾟｭｰﾀ上の転送速度を設定してください"), "Frame2", 1680, 660,
         3255, 255},
        {"Frame4", QStringLiteral("通信機器"), nullptr, 180, 2400, 5055, 915},
        {"Label3", QStringLiteral("製品名"), "Frame4", 300, 420, 615, 255},
        {"cmbProducts", QString(), "Frame4", 1140, 360, 3555, 300},
        {"Frame3", QStringLiteral("着信履歴"), nullptr, 180, 3420, 5055, 1215},
        {"rbnHst0", QStringLiteral("作成する"), "Frame3", 780, 300, 1095, 375},
        {"rbnHst1", QStringLiteral("作成しない"), "Frame3", 2700, 300, 1215, 315},
        {"Label2_1",
         QStringLiteral("VORDEKをｲﾝｽﾄｰﾙされたﾌｫﾙﾀﾞｰ内に「着信履歴．ＴＸＴ」で保存されます"),
         "Frame3", 660, 720, 4275, 435},
        {"cmdOK0", QStringLiteral("登録"), nullptr, 780, 4800, 1215, 375},
        {"cmdOK1", QStringLiteral("キャンセル"), nullptr, 3180, 4800, 1215, 375},
    };
    for (const Control &c : table) {
        auto *w = dlg.findChild<QWidget *>(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->parentWidget()->objectName(),
                  c.in ? QString::fromLatin1(c.in) : dlg.objectName())
            << c.name;
        // The designed place; a caption wider than its box in this face widens
        // the box to the right, and nothing is cut.
        EXPECT_EQ(w->pos(), QPoint(pixels(dlg, c.left), pixels(dlg, c.top))) << c.name;
        EXPECT_EQ(w->height(), pixels(dlg, c.height)) << c.name;
        EXPECT_GE(w->width(), pixels(dlg, c.width)) << c.name;
        if (w->width() > pixels(dlg, c.width)) {
            EXPECT_EQ(w->width(), w->sizeHint().width()) << c.name;
        }
        const auto *label = qobject_cast<QLabel *>(w);
        if (qobject_cast<QAbstractButton *>(w) || (label && !label->wordWrap())) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << c.name << " is cut";
        }
        if (label && label->wordWrap()) {
            EXPECT_LE(label->heightForWidth(w->width()), w->height()) << c.name << " is cut";
        }
        EXPECT_LE(w->geometry().right(), w->parentWidget()->width()) << c.name;
        QString caption;
        if (auto *g = qobject_cast<QGroupBox *>(w))
            caption = g->title();
        else if (auto *l = qobject_cast<QLabel *>(w))
            caption = l->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            caption = b->text();
        if (!c.caption.isEmpty()) {
            EXPECT_EQ(caption, c.caption) << c.name;
        }
    }
    for (const char *red : {"Label2_0", "Label2_1"})
        EXPECT_EQ(dlg.findChild<QLabel *>(QString::fromLatin1(red))
                      ->palette()
                      .color(QPalette::WindowText),
                  QColor(255, 0, 0))
            << red;
    EXPECT_TRUE(dlg.cmbSpeed()->isEditable());
    EXPECT_TRUE(dlg.cmbProducts()->isEditable());
    EXPECT_EQ(cutCaptionText(dlg), "");
}

TEST(frmNbEnvWidget, TabOrderFollowsTheLayoutAndExactlyOneButtonPerGroupIsOn)
{
    Rig r;
    frmNbEnv dlg(r.state, r.ini, r.prompts);
    const QList<QWidget *> expected = {
        dlg.rbtnCom(1),    dlg.rbtnCom(2), dlg.rbtnCom(3), dlg.rbtnCom(4), dlg.cmbSpeed(),
        dlg.cmbProducts(), dlg.rbnHst(0),  dlg.rbnHst(1),  dlg.cmdOK(0),   dlg.cmdOK(1)};
    QList<QWidget *> chain;
    QWidget *w = expected.first();
    do {
        if (expected.contains(w) && !chain.contains(w))
            chain << w;
        w = w->nextInFocusChain();
    } while (w != expected.first());
    EXPECT_EQ(chain, expected);

    dlg.rbtnCom(4)->click();
    int on = 0;
    for (int i = 1; i <= 4; ++i)
        on += dlg.rbtnCom(i)->isChecked();
    EXPECT_EQ(on, 1);
    EXPECT_TRUE(dlg.rbtnCom(4)->isChecked());
    dlg.rbnHst(1)->click();
    EXPECT_FALSE(dlg.rbnHst(0)->isChecked());
}

TEST(frmNbEnvWidget, OpensOnTheStateWithNoButtonOnForValuesItDoesNotOffer)
{
    const QString four = QStringLiteral("[NUBREL]\nPRODUCTSLISTCNT=4\n"
                                        "PRODUCTSLIST0=0,a\nPRODUCTSLIST1=0,b\n"
                                        "PRODUCTSLIST2=1,c\nPRODUCTSLIST3=1,d\n");
    struct Case {
        const char *what;
        QString ini;
        std::int16_t comPort;
        QString speed;
        std::int16_t hist;
        std::int16_t product;
        int portOn, speedLine, histOn, productLine;
        QStringList products;
    } cases[] = {
        {"as stored",
         Gaps,
         3,
         QStringLiteral("9600 "),
         1,
         2,
         3,
         11,
         1,
         1,
         {QStringLiteral("モデムＡ"), QStringLiteral("ＴＡ　Ｃ")}},
        {"out of range: no button on",
         Gaps,
         9,
         QStringLiteral("31250"),
         5,
         1,
         0,
         11,
         -1,
         -1,
         {QStringLiteral("モデムＡ"), QStringLiteral("ＴＡ　Ｃ")}},
        {"ListIndex 4 of 4",
         four,
         1,
         QStringLiteral("115200"),
         0,
         4,
         1,
         16,
         0,
         -1,
         {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}},
    };
    for (const Case &c : cases) {
        Rig r(c.ini);
        r.state.ComPort = c.comPort;
        r.state.ComSpeed = fromQt(c.speed);
        r.state.HistTxt = c.hist;
        r.state.Product.ListIndex = c.product;
        r.state.EnvRegistered = true;
        frmNbEnv dlg(r.state, r.ini, r.prompts);
        dlg.show();
        EXPECT_FALSE(r.state.EnvRegistered) << c.what;
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(dlg.rbtnCom(i)->isChecked(), i == c.portOn) << c.what << " COM" << i;
        EXPECT_EQ(dlg.cmbSpeed()->count(), 17);
        EXPECT_EQ(dlg.cmbSpeed()->currentIndex(), c.speedLine) << c.what;
        EXPECT_EQ(dlg.cmbSpeed()->currentText(), dlg.cmbSpeed()->itemText(c.speedLine));
        for (int i = 0; i <= 1; ++i)
            EXPECT_EQ(dlg.rbnHst(i)->isChecked(), i == c.histOn) << c.what << " history " << i;
        QStringList items;
        for (int i = 0; i < dlg.cmbProducts()->count(); ++i)
            items << dlg.cmbProducts()->itemText(i);
        EXPECT_EQ(items, c.products) << c.what;
        EXPECT_EQ(dlg.cmbProducts()->currentIndex(), c.productLine) << c.what;
        if (c.productLine < 0) {
            EXPECT_TRUE(dlg.cmbProducts()->currentText().isEmpty()) << c.what;
        }
        // The model the widgets mirror agrees with them.
        EXPECT_EQ(dlg.model().comPort(), c.portOn == 0 ? EnvSettings::NoButton : c.portOn);
        EXPECT_EQ(dlg.model().productIndex(), c.productLine);
    }
}

TEST(frmNbEnvWidget, RegisterWithAProductStoresEverythingAndCloses)
{
    Rig r;
    frmNbEnv dlg(r.state, r.ini, r.prompts);
    dlg.show();
    dlg.rbtnCom(4)->click();
    dlg.cmbSpeed()->setCurrentIndex(dlg.cmbSpeed()->findText(QStringLiteral("19200")));
    dlg.rbnHst(1)->click();
    dlg.cmbProducts()->setCurrentIndex(1);
    dlg.cmdOK(0)->click();

    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.ComPort, 4);
    EXPECT_EQ(toQt(r.state.ComSpeed), QStringLiteral("19200"));
    EXPECT_EQ(r.state.HistTxt, 1);
    EXPECT_EQ(r.state.Product, (ProductEntry{2, 1, u"ＴＡ　Ｃ"}));
    EXPECT_EQ(r.value("ENV", "COMPORT"), QStringLiteral("4"));
    EXPECT_EQ(r.value("ENV", "COMSPEED"), QStringLiteral("19200"));
    EXPECT_EQ(r.value("ENV", "HISTTXT"), QStringLiteral("1"));
    EXPECT_EQ(r.value("NUBREL", "PRODUCTSIDX"), QStringLiteral("2")) << "the key, not the line";
    EXPECT_TRUE(r.prompts.m_messages.empty());
}

TEST(frmNbEnvWidget, RegisterWithoutAProductAsksAndStaysOpen)
{
    Rig r;
    r.state.Product = {1, 0, u"もう無い製品"};
    frmNbEnv dlg(r.state, r.ini, r.prompts);
    dlg.show();
    ASSERT_EQ(dlg.cmbProducts()->currentIndex(), -1);
    dlg.rbtnCom(1)->click();
    dlg.cmdOK(0)->click();
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(r.prompts.m_messages.size(), 1u);
    EXPECT_EQ(toQt(r.prompts.m_messages[0].text),
              QStringLiteral("通信機器の製品名リストを選択してください。"));
    EXPECT_EQ(toQt(r.prompts.m_messages[0].title), QStringLiteral("ＶＯＲＤＥＫ／環境設定"));
    EXPECT_EQ(r.prompts.m_messages[0].icon, MessageIcon::None);
    EXPECT_FALSE(r.state.EnvRegistered);
    EXPECT_EQ(toQt(r.state.Product.ProductName), QStringLiteral("もう無い製品"));
    EXPECT_EQ(r.value("NUBREL", "PRODUCTSIDX"), QStringLiteral("0"));
    EXPECT_EQ(r.value("ENV", "COMPORT"), QStringLiteral("1")) << "stored before the check";

    // A product typed in, not chosen, is no product.
    type(dlg.cmbProducts(), QStringLiteral("ＴＡ　Ｃ改"));
    dlg.cmdOK(0)->click();
    EXPECT_EQ(r.prompts.m_messages.size(), 2u);
    EXPECT_TRUE(dlg.isVisible());

    dlg.cmbProducts()->setCurrentIndex(0);
    dlg.cmdOK(0)->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(r.state.EnvRegistered);
    EXPECT_EQ(r.state.Product, (ProductEntry{0, 0, u"モデムＡ"}));
    EXPECT_EQ(r.value("NUBREL", "PRODUCTSIDX"), QStringLiteral("0"));
}

TEST(frmNbEnvWidget, TypedSpeedIsStoredWhenItIsANumber)
{
    struct Case {
        QString typed;
        QString stored;
    } cases[] = {
        {QStringLiteral("28800"), QStringLiteral("28800")},
        {QStringLiteral(" 38400  "), QStringLiteral("38400")},
        {QStringLiteral("はやい"), QStringLiteral("9600")},
    };
    for (const Case &c : cases) {
        Rig r;
        frmNbEnv dlg(r.state, r.ini, r.prompts);
        dlg.show();
        type(dlg.cmbSpeed(), c.typed);
        EXPECT_EQ(dlg.cmbSpeed()->count(), 17) << "typing adds no line";
        dlg.cmbProducts()->setCurrentIndex(0);
        dlg.cmdOK(0)->click();
        EXPECT_TRUE(r.state.EnvRegistered);
        EXPECT_EQ(toQt(r.state.ComSpeed), c.stored) << c.typed.toStdString();
        EXPECT_EQ(r.value("ENV", "COMSPEED"), c.stored) << c.typed.toStdString();
    }
}

TEST(frmNbEnvWidget, CancelCloseBoxAndEscStoreNothing)
{
    enum Way { Cancel, CloseBox, Escape };
    for (Way way : {Cancel, CloseBox, Escape}) {
        Rig r;
        const std::string before = r.folder.readBytes(u"Nubrel.ini");
        frmNbEnv dlg(r.state, r.ini, r.prompts);
        dlg.show();
        dlg.rbtnCom(3)->click();
        dlg.cmbSpeed()->setCurrentIndex(0);
        dlg.rbnHst(1)->click();
        dlg.cmbProducts()->setCurrentIndex(1);
        switch (way) {
        case Cancel:
            dlg.cmdOK(1)->click();
            break;
        case CloseBox:
            dlg.close();
            break;
        case Escape:
            pressEscape(&dlg);
            break;
        }
        EXPECT_FALSE(dlg.isVisible()) << way;
        EXPECT_EQ(dlg.result(), QDialog::Rejected) << way;
        EXPECT_FALSE(r.state.EnvRegistered) << way;
        EXPECT_EQ(r.state.ComPort, 2) << way;
        EXPECT_EQ(toQt(r.state.ComSpeed), QStringLiteral("9600")) << way;
        EXPECT_EQ(r.state.HistTxt, 0) << way;
        EXPECT_EQ(r.folder.readBytes(u"Nubrel.ini"), before) << way;
    }
}

TEST(QtDialogsSettings, ShowsTheDialogModallyAndReturnsWhenItCloses)
{
    Rig r;
    FakeLauncher launcher;
    QtDialogs dialogs(
        r.state, r.ini, r.prompts, launcher, nullptr, [] {}, QIcon());
    for (bool registerIt : {true, false}) {
        r.state.EnvRegistered = !registerIt;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<frmNbEnv *>(QApplication::activeModalWidget());
            seen = dlg != nullptr;
            if (!dlg)
                return;
            dlg->cmbProducts()->setCurrentIndex(0);
            dlg->cmdOK(registerIt ? 0 : 1)->click();
        });
        dialogs.showSettingsDialog();
        EXPECT_TRUE(seen);
        EXPECT_EQ(r.state.EnvRegistered, registerIt);
    }
}
