#include "platform/linux/qt/SymbolImages.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace orvendi::SymbolImages {
namespace {

// Tray hosts ask for 16 to 24 pixels, at up to twice that on dense screens;
// the HUD shows 19.
constexpr int kIconSizes[] = {16, 19, 22, 24, 32, 44, 48, 64};

QString resourcePath(const std::string& name) {
    return QStringLiteral(":/orvendi/symbols/%1.svg").arg(QString::fromStdString(name));
}

// The drawings use "currentColor" for the one colour they are drawn in.
QByteArray coloredSvg(const std::string& name, const QColor& color) {
    QFile file(resourcePath(name));
    if (name.empty() || name.find('/') != std::string::npos || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    return svg;
}

} // namespace

bool contains(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos &&
           QFile::exists(resourcePath(name));
}

QPixmap pixmap(const std::string& name, const QColor& color, int size, qreal devicePixelRatio) {
    const QByteArray svg = coloredSvg(name, color);
    if (svg.isEmpty()) {
        return {};
    }
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        return {};
    }
    const int pixels = qRound(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(color.alphaF());
        renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    }
    QPixmap result = QPixmap::fromImage(std::move(image));
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

QIcon icon(const std::string& name, const QColor& color) {
    if (!contains(name)) {
        return {};
    }
    QIcon result;
    for (int size : kIconSizes) {
        result.addPixmap(pixmap(name, color, size));
    }
    return result;
}

} // namespace orvendi::SymbolImages
