// The font dialog of the ﾌｫﾝﾄ command: face, size, bold and italic, the four
// properties the main window keeps. Qt's own dialog offers only the styles a
// face ships, and the Japanese faces ship one, so bold and italic would be
// out of reach; it also offers effects the window would drop.
#pragma once

#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;

class QtFontDialog final : public QDialog {
    Q_OBJECT
public:
    explicit QtFontDialog(const QFont &initial, QWidget *parent = nullptr);

    // The choice as it stands: face, size in points, bold, italic.
    QFont selectedFont() const;

    QListWidget *faceList() const { return m_faces; }
    QComboBox *sizeBox() const { return m_size; }
    QCheckBox *boldBox() const { return m_bold; }
    QCheckBox *italicBox() const { return m_italic; }

private:
    void updateSample();

    QListWidget *m_faces;
    QComboBox *m_size;
    QCheckBox *m_bold;
    QCheckBox *m_italic;
    QLabel *m_sample;
    QFont m_initial;
};
