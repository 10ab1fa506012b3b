// Whether every caption of a window shows whole in the face it got here.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <string>

// Names the labels and buttons whose text is cut by their box, empty when none.
inline QStringList cutCaptions(const QWidget &window)
{
    QStringList cut;
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        const QFontMetrics fm = label->fontMetrics();
        const QRect room = label->contentsRect();
        int height = 0;
        bool fits = true;
        if (label->wordWrap()) {
            height = label->heightForWidth(room.width());
        } else {
            const QStringList lines = label->text().split(u'\n');
            for (const QString &line : lines)
                fits = fits && fm.horizontalAdvance(line) <= room.width();
            height = fm.height() + fm.lineSpacing() * (int(lines.size()) - 1);
        }
        if (!fits || height > room.height()) {
            int widest = 0;
            for (const QString &line : label->text().split(u'\n'))
                widest = std::max(widest, fm.horizontalAdvance(line));
            cut << label->objectName() + u'=' + label->text() +
                       QStringLiteral(" (%1x%2 in %3x%4, %5)")
                           .arg(widest)
                           .arg(height)
                           .arg(room.width())
                           .arg(room.height())
                           .arg(label->fontInfo().family());
        }
    }
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty())
            continue;
        // A push button's hint holds a minimum width of the style's; only the text counts.
        const bool fits =
            qobject_cast<const QPushButton *>(button)
                ? button->fontMetrics().horizontalAdvance(button->text()) + 6 <= button->width()
                : button->sizeHint().width() <= button->width();
        if (!fits)
            cut << button->objectName() + u'=' + button->text();
    }
    return cut;
}

// The same, as one line for a test's message: empty when nothing is cut.
inline std::string cutCaptionText(const QWidget &window)
{
    return cutCaptions(window).join(QStringLiteral(" | ")).toStdString();
}
