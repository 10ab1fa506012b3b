// The program's own help window on the manual. Modeless; one window that a
// second request brings forward.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

class frmNbHelp final : public QWidget {
    Q_OBJECT
public:
    explicit frmNbHelp(QWidget *parent = nullptr);

    // Shows the manual at `path`, or inside the window a message naming the
    // path when it cannot be read. An open window on the same file only comes
    // forward.
    void showManual(const QString &path);

    // False when the last request found no readable manual.
    bool manualLoaded() const { return m_loaded; }
    QString manualPath() const { return m_path; }
    QTextBrowser *browser() const { return m_browser; }

private:
    void load(const QString &path);

    QTextBrowser *m_browser;
    QString m_path;
    bool m_loaded = false;
};
