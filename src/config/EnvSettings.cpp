#include "config/EnvSettings.h"

#include "config/basNbComIni.h"
#include "platform/Prompts.h"
#include "state/ProgramState.h"
#include "text/NumericText.h"

const QStringList EnvSettings::SpeedList = {
    QStringLiteral("75"),    QStringLiteral("110"),   QStringLiteral("134"),
    QStringLiteral("150"),   QStringLiteral("300"),   QStringLiteral("600"),
    QStringLiteral("1200"),  QStringLiteral("1800"),  QStringLiteral("2400"),
    QStringLiteral("4800"),  QStringLiteral("7200"),  QStringLiteral("9600"),
    QStringLiteral("14400"), QStringLiteral("19200"), QStringLiteral("38400"),
    QStringLiteral("57600"), QStringLiteral("115200")};

namespace {
const QString Env = QStringLiteral("ENV");
const QString Nubrel = QStringLiteral("NUBREL");
} // namespace

EnvSettings::EnvSettings(ProgramState &state, const basNbComIni &ini, Prompts &prompts)
    : m_state(state), m_ini(ini), m_prompts(prompts)
{
}

void EnvSettings::Form_Load()
{
    m_state.EnvRegistered = false;
    setComPort(m_state.ComPort);
    FillSpeedList();
    SelectSpeed(m_state.ComSpeed);
    FillProductList(m_state.Product);
    setHistTxt(m_state.HistTxt);
}

void EnvSettings::setComPort(int button)
{
    m_comPort = button >= 1 && button <= 4 ? button : NoButton;
}

void EnvSettings::setHistTxt(int button)
{
    m_histTxt = button == 0 || button == 1 ? button : NoButton;
}

void EnvSettings::FillSpeedList()
{
    m_speedLines = SpeedList;
    m_speedIndex = -1;
    m_speedText.clear();
}

void EnvSettings::setSpeedIndex(int line)
{
    m_speedIndex = line >= 0 && line < m_speedLines.size() ? line : -1;
    m_speedText = m_speedIndex >= 0 ? m_speedLines.at(m_speedIndex) : QString();
}

void EnvSettings::SelectSpeed(const QString &speed)
{
    const QString wanted = speed.trimmed();
    for (int i = 0; i < m_speedLines.size(); ++i) {
        if (m_speedLines.at(i).trimmed() == wanted) {
            setSpeedIndex(i);
            return;
        }
    }
    setSpeedIndex(DefaultSpeedLine);
}

void EnvSettings::FillProductList(const ProductEntry &current)
{
    m_productEntries.clear();
    setProductIndex(-1);
    const std::int16_t count = m_ini.GetIniInt(Nubrel, QStringLiteral("PRODUCTSLISTCNT"), 0);
    if (count < 1)
        return;
    m_productEntries.reserve(count);
    for (std::int16_t n = 0; n < count; ++n) {
        const QString entry = m_ini.GetIniString(
            Nubrel, QStringLiteral("PRODUCTSLIST") + QString::number(n), QString());
        if (!entry.isEmpty())
            m_productEntries.append(SplitList(n, entry));
    }
    // Lines and keys part ways when the list has gaps: the line that shows the
    // current product is the one made from its key.
    for (int line = 0; line < m_productEntries.size(); ++line) {
        if (m_productEntries.at(line).ListIndex == current.ListIndex) {
            setProductIndex(line);
            return;
        }
    }
}

QStringList EnvSettings::productLines() const
{
    QStringList lines;
    for (const ProductEntry &e : m_productEntries)
        lines << e.ProductName;
    return lines;
}

void EnvSettings::setProductIndex(int line)
{
    m_productIndex = line >= 0 && line < m_productEntries.size() ? line : -1;
    m_productText =
        m_productIndex >= 0 ? m_productEntries.at(m_productIndex).ProductName : QString();
}

QString EnvSettings::chosenSpeed() const
{
    const QString selected =
        m_speedIndex >= 0 ? m_speedLines.at(m_speedIndex).trimmed() : QString();
    const QString typed = m_speedText.trimmed();
    // A speed typed in is taken only when it is a number; anything else
    // leaves the line that was selected.
    if (typed != selected && IsNumeric(typed))
        return typed;
    return selected;
}

int EnvSettings::chosenProduct() const
{
    // Text typed over the selected line names no product of the list.
    if (m_productIndex < 0 || m_productText != m_productEntries.at(m_productIndex).ProductName)
        return -1;
    return m_productIndex;
}

bool EnvSettings::cmdOK_Click(int index)
{
    if (index != 0)
        return true;

    // The first button that is on; with none on, the value stays.
    if (m_comPort != NoButton)
        m_state.ComPort = static_cast<std::int16_t>(m_comPort);
    m_ini.PutIniString(Env, QStringLiteral("COMPORT"), QString::number(m_state.ComPort));

    m_state.ComSpeed = chosenSpeed();
    m_ini.PutIniString(Env, QStringLiteral("COMSPEED"), m_state.ComSpeed);

    if (m_histTxt != NoButton)
        m_state.HistTxt = static_cast<std::int16_t>(m_histTxt);
    m_ini.PutIniString(Env, QStringLiteral("HISTTXT"), QString::number(m_state.HistTxt));

    const int line = chosenProduct();
    if (line < 0) {
        m_prompts.messageBox(QStringLiteral("通信機器の製品名リストを選択してください。"),
                             QStringLiteral("ＶＯＲＤＥＫ／環境設定"), MessageIcon::None);
        return false;
    }
    m_state.Product = m_productEntries.at(line);
    // The key, not the line: start-up reads the entry back by this number.
    m_ini.PutIniString(Nubrel, QStringLiteral("PRODUCTSIDX"),
                       QString::number(m_state.Product.ListIndex));
    m_state.EnvRegistered = true;
    return true;
}
