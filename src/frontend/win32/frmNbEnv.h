// The settings dialog "環境設定": port, speed, device product and history.
// The controls mirror an EnvSettings model, which makes every decision.
#pragma once

#include "config/EnvSettings.h"
#include "frontend/win32/Win32DialogBox.h"

class frmNbEnv final : public Win32DialogBox {
public:
    static constexpr double ClientWidth = 5430; // twips
    static constexpr double ClientHeight = 5325;

    // Created afresh for every showing; loads when its window is made.
    frmNbEnv(ProgramState &state, const basNbComIni &ini, Prompts &prompts);

    // Index 0 "登録", 1 "キャンセル".
    void cmdOK_Click(int index);

private:
    void onInit() override;
    void onCommand(int id, int code) override;
    bool textColourOf(int id, COLORREF &colour) const override;
    void onCancel() override;
    void showModel();
    // The one stop of Tab in a group of option buttons is the one that is on.
    void tabStopOnChecked(int firstId, int count);
    std::u16string comboText(int id) const;

    EnvSettings m_env;
    bool m_showing = false; // the model is being put into the controls
};
