#include "config/EnvSettings.h"

#include "config/basNbComIni.h"
#include "platform/Prompts.h"
#include "state/ProgramState.h"
#include "text/NumericText.h"
#include "text/Text.h"

const std::vector<std::u16string> EnvSettings::SpeedList = {
    u"75",   u"110",  u"134",  u"150",   u"300",   u"600",   u"1200",  u"1800",  u"2400",
    u"4800", u"7200", u"9600", u"14400", u"19200", u"38400", u"57600", u"115200"};

namespace {
const std::u16string Env = u"ENV";
const std::u16string Nubrel = u"NUBREL";
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
    m_speedIndex = line >= 0 && line < static_cast<int>(m_speedLines.size()) ? line : -1;
    m_speedText = m_speedIndex >= 0 ? m_speedLines.at(static_cast<std::size_t>(m_speedIndex))
                                    : std::u16string();
}

void EnvSettings::SelectSpeed(const std::u16string &speed)
{
    const std::u16string_view wanted = Text::trimmed(speed);
    for (std::size_t i = 0; i < m_speedLines.size(); ++i) {
        if (Text::trimmed(m_speedLines[i]) == wanted) {
            setSpeedIndex(static_cast<int>(i));
            return;
        }
    }
    setSpeedIndex(DefaultSpeedLine);
}

void EnvSettings::FillProductList(const ProductEntry &current)
{
    m_productEntries.clear();
    setProductIndex(-1);
    const std::int16_t count = m_ini.GetIniInt(Nubrel, u"PRODUCTSLISTCNT", 0);
    if (count < 1)
        return;
    m_productEntries.reserve(count);
    for (std::int16_t n = 0; n < count; ++n) {
        const std::u16string entry =
            m_ini.GetIniString(Nubrel, u"PRODUCTSLIST" + Text::number(n), std::u16string());
        if (!entry.empty())
            m_productEntries.push_back(SplitList(n, entry));
    }
    // Lines and keys part ways when the list has gaps: the line that shows the
    // current product is the one made from its key.
    for (std::size_t line = 0; line < m_productEntries.size(); ++line) {
        if (m_productEntries[line].ListIndex == current.ListIndex) {
            setProductIndex(static_cast<int>(line));
            return;
        }
    }
}

std::vector<std::u16string> EnvSettings::productLines() const
{
    std::vector<std::u16string> lines;
    for (const ProductEntry &e : m_productEntries)
        lines.push_back(e.ProductName);
    return lines;
}

void EnvSettings::setProductIndex(int line)
{
    m_productIndex = line >= 0 && line < static_cast<int>(m_productEntries.size()) ? line : -1;
    m_productText = m_productIndex >= 0
                        ? m_productEntries[static_cast<std::size_t>(m_productIndex)].ProductName
                        : std::u16string();
}

std::u16string EnvSettings::chosenSpeed() const
{
    const std::u16string selected(
        m_speedIndex >= 0 ? Text::trimmed(m_speedLines[static_cast<std::size_t>(m_speedIndex)])
                          : std::u16string_view());
    const std::u16string typed(Text::trimmed(m_speedText));
    // A speed typed in is taken only when it is a number; anything else
    // leaves the line that was selected.
    if (typed != selected && IsNumeric(typed))
        return typed;
    return selected;
}

int EnvSettings::chosenProduct() const
{
    // Text typed over the selected line names no product of the list.
    if (m_productIndex < 0 ||
        m_productText != m_productEntries[static_cast<std::size_t>(m_productIndex)].ProductName)
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
    m_ini.PutIniString(Env, u"COMPORT", Text::number(m_state.ComPort));

    m_state.ComSpeed = chosenSpeed();
    m_ini.PutIniString(Env, u"COMSPEED", m_state.ComSpeed);

    if (m_histTxt != NoButton)
        m_state.HistTxt = static_cast<std::int16_t>(m_histTxt);
    m_ini.PutIniString(Env, u"HISTTXT", Text::number(m_state.HistTxt));

    const int line = chosenProduct();
    if (line < 0) {
        m_prompts.messageBox(u"通信機器の製品名リストを選択してください。",
                             u"ＶＯＲＤＥＫ／環境設定", MessageIcon::None);
        return false;
    }
    m_state.Product = m_productEntries[static_cast<std::size_t>(line)];
    // The key, not the line: start-up reads the entry back by this number.
    m_ini.PutIniString(Nubrel, u"PRODUCTSIDX", Text::number(m_state.Product.ListIndex));
    m_state.EnvRegistered = true;
    return true;
}
