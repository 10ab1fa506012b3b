// The settings dialog "環境設定": port, speed, device product and history.
// The widgets mirror an EnvSettings model, which makes every decision.
#pragma once

#include "config/EnvSettings.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class frmNbEnv final : public QDialog {
    Q_OBJECT
public:
    static constexpr double ClientWidth = 5430; // twips
    static constexpr double ClientHeight = 5325;

    // Loads at once: the controls show the state and the settings file as
    // they are now. Created afresh for every showing.
    frmNbEnv(ProgramState &state, const basNbComIni &ini, Prompts &prompts,
             QWidget *parent = nullptr);

    // Index 0 "登録", 1 "キャンセル".
    void cmdOK_Click(int index);

    const EnvSettings &model() const { return m_env; }
    QRadioButton *rbtnCom(int index) const { return m_rbtnCom[index - 1]; } // 1..4
    QComboBox *cmbSpeed() const { return m_cmbSpeed; }
    QComboBox *cmbProducts() const { return m_cmbProducts; }
    QRadioButton *rbnHst(int index) const { return m_rbnHst[index]; } // 0..1
    QPushButton *cmdOK(int index) const { return m_cmdOK[index]; }    // 0..1

private:
    int pixels(double twips) const;
    void place(QWidget *w, double left, double top, double width, double height) const;
    QGroupBox *addFrame(const char *name, const QString &caption, double left, double top,
                        double width, double height);
    QLabel *addLabel(QWidget *in, const char *name, const QString &caption, double left, double top,
                     double width, double height, bool wrap = false);
    QComboBox *addCombo(QWidget *in, const char *name, double left, double top, double width,
                        double height);
    void showModel();
    void connectModel();

    EnvSettings m_env;
    QRadioButton *m_rbtnCom[4] = {};
    QComboBox *m_cmbSpeed = nullptr;
    QComboBox *m_cmbProducts = nullptr;
    QRadioButton *m_rbnHst[2] = {};
    QPushButton *m_cmdOK[2] = {};
    QButtonGroup *m_comGroup = nullptr;
    QButtonGroup *m_hstGroup = nullptr;
};
