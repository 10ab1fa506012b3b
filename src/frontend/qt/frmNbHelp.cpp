#include "frontend/qt/frmNbHelp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

frmNbHelp::frmNbHelp(QWidget *parent)
    : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("VORDEK 説明書"));
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(720, 560);
}

void frmNbHelp::showManual(const QString &path)
{
    // Read again unless the window already shows this file, so that a manual
    // put in place after a failed attempt is found.
    if (!isVisible() || path != m_path || !m_loaded)
        load(path);
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void frmNbHelp::load(const QString &path)
{
    m_path = path;
    QFile file(path);
    m_loaded = file.open(QIODevice::ReadOnly);
    if (!m_loaded) {
        m_browser->setPlainText(QStringLiteral("説明書のファイルを開けませんでした。\n\n") +
                                QDir::toNativeSeparators(path) +
                                QStringLiteral("\n\nプログラムのフォルダーに「説明書.html」が"
                                               "あるか、読み取りできるかを確かめてください。"));
        return;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    // Pictures and pages the manual links to are found beside it.
    m_browser->setSearchPaths({QFileInfo(path).absolutePath()});
    m_browser->document()->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    m_browser->setHtml(decoder.decode(bytes));
}
