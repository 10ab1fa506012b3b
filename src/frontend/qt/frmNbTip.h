// The small pop-up near the bottom right of the screen that shows the number
// while the main window is in the tray. It never takes the focus.
#pragma once

#include "platform/TipView.h"

#include <QWidget>
#include <functional>

class frmNbTip final : public QWidget, public TipView {
    Q_OBJECT
public:
    static constexpr double ClientWidth = 1200; // twips
    static constexpr double ClientHeight = 210;
    static constexpr QRgb Background = 0xFFFFC0C0; // RGB 255, 192, 192

    explicit frmNbTip(std::function<std::u16string()> lastNumber, QWidget *parent = nullptr);

    void loadTip() override;
    bool isTipVisible() const override;
    void showTip() override;
    void hideTip() override;
    void refreshTip() override;
    void unloadTip() override;

    QString paintedText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double twipsPerPixel() const;

    std::function<std::u16string()> m_lastNumber;
    bool m_loaded = false;
};
