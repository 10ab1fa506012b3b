// The About box: product, version, the maker's contact lines, a notice and the
// link to the maker's home page. Modeless; at most one is open (the owner
// keeps it).
#pragma once

#include <QDialog>
#include <QIcon>
#include <functional>
#include <memory>

class AboutLink;
class EventPump;
class Launcher;
class Prompts;
class QLabel;
class QPushButton;

class frmNbAbout final : public QDialog {
    Q_OBJECT
public:
    static constexpr double ClientWidth = 5850; // twips
    static constexpr double ClientHeight = 3705;
    static const QString HomeAddress;

    frmNbAbout(Prompts &prompts, Launcher &launcher, EventPump &events,
               std::function<bool()> isStopped, std::function<void()> mnuTime_Click,
               const QIcon &icon, QWidget *parent = nullptr);
    ~frmNbAbout() override;

    void Form_Load();
    void cmdOK_Click();
    // Button and Shift as sets of bits (1 left, 2 right, 4 middle).
    void lblHome_MouseDown(int button, int shift, double x, double y);

    // The texts set at load, lines separated by CR as built.
    QString versionText() const;
    QString descriptionText() const;
    QString disclaimerText() const;

    QLabel *lblHome() const { return m_lblHome; }
    QLabel *lblVersion() const { return m_lblVersion; }
    QLabel *lblDescription() const { return m_lblDescription; }
    QLabel *lblDisclaimer() const { return m_lblDisclaimer; }
    QPushButton *cmdOK() const { return m_cmdOK; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int pixels(double twips) const;
    QLabel *addLabel(const char *name, double left, double top, double width, double height);

    // Shared so that a launch under way outlives a box closed meanwhile.
    std::shared_ptr<AboutLink> m_link;
    QLabel *m_picIcon = nullptr;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_Label1 = nullptr;
    QLabel *m_lblVersion = nullptr;
    QLabel *m_lblDescription = nullptr;
    QLabel *m_lblHome = nullptr;
    QLabel *m_lblDisclaimer = nullptr;
    QPushButton *m_cmdOK = nullptr;
};
