// The settings dialog's logic: what its controls show when it opens and what
// "登録" stores. The dialog's widgets mirror this model, so tests drive it
// without them.
#pragma once

#include "config/ProductEntry.h"

#include <cstdint>
#include <string>
#include <vector>

struct ProgramState;
class basNbComIni;
class Prompts;

class EnvSettings {
public:
    // The speeds offered, in list order.
    static const std::vector<std::u16string> SpeedList;
    static constexpr int DefaultSpeedLine = 11; // "9600"
    // No button of a group is on: the stored value is one the dialog does not
    // offer (a port mapped in [PORTS] beyond COM4, history 2 …), and "登録"
    // keeps it unless the user picks a button.
    static constexpr int NoButton = -1;

    EnvSettings(ProgramState &state, const basNbComIni &ini, Prompts &prompts);

    void Form_Load();
    void FillSpeedList();
    void SelectSpeed(const std::u16string &speed);
    void FillProductList(const ProductEntry &current);
    // Index 0 "登録", 1 "キャンセル". True when the dialog is to close.
    bool cmdOK_Click(int index);

    // The controls. The port button on (1..4), or NoButton.
    int comPort() const { return m_comPort; }
    void setComPort(int button);
    // The speed box: its lines, the selected line and the text of its edit field.
    const std::vector<std::u16string> &speedLines() const { return m_speedLines; }
    int speedIndex() const { return m_speedIndex; }
    void setSpeedIndex(int line);
    std::u16string speedText() const { return m_speedText; }
    void setSpeedText(const std::u16string &text) { m_speedText = text; }
    // The product box, line for line with ProductEntries; -1 when none is selected.
    const std::vector<ProductEntry> &productEntries() const { return m_productEntries; }
    std::vector<std::u16string> productLines() const;
    int productIndex() const { return m_productIndex; }
    void setProductIndex(int line);
    std::u16string productText() const { return m_productText; }
    void setProductText(const std::u16string &text) { m_productText = text; }
    // The history button on: 0 "作成する", 1 "作成しない", or NoButton.
    int histTxt() const { return m_histTxt; }
    void setHistTxt(int button);

private:
    std::u16string chosenSpeed() const;
    int chosenProduct() const;

    ProgramState &m_state;
    const basNbComIni &m_ini;
    Prompts &m_prompts;

    int m_comPort = NoButton;
    std::vector<std::u16string> m_speedLines;
    int m_speedIndex = -1;
    std::u16string m_speedText;
    std::vector<ProductEntry> m_productEntries;
    int m_productIndex = -1;
    std::u16string m_productText;
    int m_histTxt = 0;
};
