// mkicons: draws the program icon and the two tray pictures, and writes them as
// multi-size .ico files and PNGs.
//
//   mkicons OUTPUT_FOLDER [PREVIEW_SIZE]
//
// Writes Nubrel.ico, PhoneA.Ico (monitoring stopped), PhoneB.Ico (monitoring
// running) and nubrel-16/32/48.png, then reads every .ico back and fails when
// it does not hold the three sizes. With PREVIEW_SIZE it also writes large
// preview PNGs (preview-*.png) of each picture for looking at.
//
// The pictures are drawn in a 48-unit square and scaled, so every size comes
// from the same vector drawing. Qt's ico writer stores one image per file, so
// the ICO container is written here: ICONDIR, one ICONDIRENTRY per size, and
// 32-bit BMP images with an AND mask, which every Windows version and Qt's
// reader accept.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPen>
#include <QSaveFile>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double kUnits = 48.0;
const std::vector<int> kSizes{16, 32, 48};

enum class Picture { Program, Stopped, Running };

// The handset: a quarter ring round (34, 14) with an ear and a mouth piece
// that stand out towards the ring's centre, the side that faces the caller.
QPainterPath handsetPath()
{
    const QPointF centre(33.0, 15.0);
    const double radius = 21.0;
    const double band = 7.5;

    QPainterPath arc;
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    arc.arcMoveTo(circle, 180.0);
    arc.arcTo(circle, 180.0, 90.0);
    QPainterPathStroker stroker;
    stroker.setWidth(band);
    stroker.setCapStyle(Qt::FlatCap);
    QPainterPath body = stroker.createStroke(arc);

    // A piece at each end of the ring, in a frame whose x axis points from the
    // end towards the centre and whose y axis runs on past the end.
    const auto piece = [&](double qtAngle, double outward) {
        const double a = qtAngle * std::numbers::pi / 180.0;
        const QPointF end(centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a));
        const QPointF inward = (centre - end) / radius;
        // Tangent pointing away from the ring.
        const QPointF along(inward.y() * outward, -inward.x() * outward);
        QTransform frame(inward.x(), inward.y(), along.x(), along.y(), end.x(), end.y());
        QPainterPath pad;
        pad.addRoundedRect(QRectF(-band / 2 - 0.5, -4.0, band / 2 + 0.5 + 9.5, 9.5), 3.2, 3.2);
        return frame.map(pad);
    };
    // Path unions flatten curves into lines a fixed distance apart in the
    // path's own units, so unite at a hundred times the size and scale back.
    const QTransform up = QTransform::fromScale(100, 100);
    QPainterPath whole = up.map(body);
    whole = whole.united(up.map(piece(180.0, -1.0)));
    whole = whole.united(up.map(piece(270.0, 1.0)));
    return QTransform::fromScale(0.01, 0.01).map(whole.simplified());
}

void drawHandset(QPainter &p, const QColor &light, const QColor &dark, const QColor &edge,
                 double onePixel)
{
    const QPainterPath handset = handsetPath();
    QLinearGradient shade(8, 6, 40, 40);
    shade.setColorAt(0.0, light);
    shade.setColorAt(1.0, dark);
    p.setPen(QPen(edge, onePixel, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(shade);
    p.drawPath(handset);
}

// Sound waves leaving the ear piece: two arcs in the free upper-right corner.
void drawWaves(QPainter &p, const QColor &colour, double onePixel)
{
    const QPointF from(27.5, 20.5);
    const double width = std::max(3.2, 1.6 * onePixel);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    for (const double r : {9.0, 16.5}) {
        const QRectF ring(from.x() - r, from.y() - r, 2 * r, 2 * r);
        p.drawArc(ring, 12 * 16, 66 * 16);
    }
}

// A red disc with a white pause sign in the lower-right corner.
void drawPauseBadge(QPainter &p, double onePixel)
{
    const QPointF centre(35.0, 35.0);
    const double r = 12.0;
    p.setPen(QPen(Qt::white, std::max(2.0, 1.2 * onePixel)));
    p.setBrush(QColor(0xd3, 0x2f, 0x2f));
    p.drawEllipse(centre, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const double barW = 4.0;
    const double barH = 12.0;
    const double gap = 3.0;
    p.drawRect(QRectF(centre.x() - gap / 2 - barW, centre.y() - barH / 2, barW, barH));
    p.drawRect(QRectF(centre.x() + gap / 2, centre.y() - barH / 2, barW, barH));
}

QImage draw(Picture picture, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = size / kUnits;
    p.scale(scale, scale);
    const double onePixel = 1.0 / scale;

    switch (picture) {
    case Picture::Program: {
        // White handset on a blue tile with a green caller light.
        QLinearGradient tile(0, 0, 0, kUnits);
        tile.setColorAt(0.0, QColor(0x3d, 0x7f, 0xd9));
        tile.setColorAt(1.0, QColor(0x1a, 0x4b, 0x9a));
        p.setPen(QPen(QColor(0x12, 0x36, 0x70), onePixel));
        p.setBrush(tile);
        const double inset = onePixel / 2;
        p.drawRoundedRect(QRectF(inset, inset, kUnits - 2 * inset, kUnits - 2 * inset), 9, 9);
        p.translate(1.0, 1.5);
        drawHandset(p, QColor(0xff, 0xff, 0xff), QColor(0xdc, 0xe6, 0xf2), QColor(0x0f, 0x2d, 0x5c),
                    onePixel);
        p.translate(-1.0, -1.5);
        p.setPen(QPen(Qt::white, std::max(1.5, onePixel)));
        p.setBrush(QColor(0x4c, 0xd9, 0x64));
        p.drawEllipse(QPointF(37.0, 11.0), 5.5, 5.5);
        break;
    }
    case Picture::Stopped:
        drawHandset(p, QColor(0xb4, 0xb8, 0xbd), QColor(0x79, 0x7e, 0x85), QColor(0x3c, 0x40, 0x45),
                    onePixel);
        drawPauseBadge(p, onePixel);
        break;
    case Picture::Running:
        drawHandset(p, QColor(0x5c, 0xd1, 0x6a), QColor(0x1f, 0x8a, 0x34), QColor(0x10, 0x4d, 0x1c),
                    onePixel);
        drawWaves(p, QColor(0x1f, 0x9a, 0x3a), onePixel);
        break;
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

void putLe16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void putLe32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

// One icon image: BITMAPINFOHEADER (height doubled for the mask), 32-bit
// BGRA rows bottom-up, then the 1-bit AND mask, each row padded to 4 bytes.
QByteArray bmpImage(const QImage &image)
{
    const int w = image.width();
    const int h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray out;
    putLe32(out, 40);
    putLe32(out, quint32(w));
    putLe32(out, quint32(2 * h));
    putLe16(out, 1);  // planes
    putLe16(out, 32); // bits per pixel
    putLe32(out, 0);  // BI_RGB
    putLe32(out, quint32(w * h * 4 + maskStride * h));
    putLe32(out, 0);
    putLe32(out, 0);
    putLe32(out, 0);
    putLe32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

QByteArray icoFile(const std::vector<QImage> &images)
{
    QByteArray out;
    putLe16(out, 0); // reserved
    putLe16(out, 1); // icon
    putLe16(out, quint16(images.size()));
    std::vector<QByteArray> payloads;
    for (const QImage &image : images)
        payloads.push_back(bmpImage(image));
    quint32 offset = quint32(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.append(char(images[i].width() % 256));
        out.append(char(images[i].height() % 256));
        out.append('\0'); // no palette
        out.append('\0');
        putLe16(out, 1);
        putLe16(out, 32);
        putLe32(out, quint32(payloads[i].size()));
        putLe32(out, offset);
        offset += quint32(payloads[i].size());
    }
    for (const QByteArray &payload : payloads)
        out.append(payload);
    return out;
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

bool writePng(const QString &path, const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") && writeWhole(path, bytes);
}

// Reads the file back the way the program will and compares it with what was drawn.
bool checkIco(const QString &path, const std::vector<QImage> &drawn)
{
    QImageReader reader(path, "ico");
    if (reader.imageCount() != int(drawn.size())) {
        std::fprintf(stderr, "%s: %d images, expected %d\n", qPrintable(path), reader.imageCount(),
                     int(drawn.size()));
        return false;
    }
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (!reader.jumpToImage(int(i))) {
            std::fprintf(stderr, "%s: cannot seek to image %d\n", qPrintable(path), int(i));
            return false;
        }
        const QImage back = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (back != drawn[i]) {
            std::fprintf(stderr, "%s: image %d reads back differently (%s)\n", qPrintable(path),
                         int(i), qPrintable(reader.errorString()));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: mkicons OUTPUT_FOLDER [PREVIEW_SIZE]\n", stderr);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const int preview = argc > 2 ? std::atoi(argv[2]) : 0;

    struct Output {
        Picture picture;
        QString ico;
        QString previewName;
    };
    const std::vector<Output> outputs{
        {Picture::Program, QStringLiteral("Nubrel.ico"), QStringLiteral("program")},
        {Picture::Stopped, QStringLiteral("PhoneA.Ico"), QStringLiteral("stopped")},
        {Picture::Running, QStringLiteral("PhoneB.Ico"), QStringLiteral("running")},
    };

    bool ok = true;
    for (const Output &o : outputs) {
        std::vector<QImage> images;
        for (const int size : kSizes)
            images.push_back(draw(o.picture, size));
        const QString icoPath = out.filePath(o.ico);
        if (!writeWhole(icoPath, icoFile(images)) || !checkIco(icoPath, images)) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(icoPath));
            ok = false;
        }
        if (o.picture == Picture::Program) {
            for (const QImage &image : images) {
                const QString png =
                    out.filePath(QStringLiteral("nubrel-%1.png").arg(image.width()));
                if (!writePng(png, image)) {
                    std::fprintf(stderr, "failed: %s\n", qPrintable(png));
                    ok = false;
                }
            }
        }
        if (preview > 0) {
            const QString path = out.filePath(QStringLiteral("preview-%1.png").arg(o.previewName));
            ok = writePng(path, draw(o.picture, preview)) && ok;
        }
    }
    return ok ? 0 : 1;
}
