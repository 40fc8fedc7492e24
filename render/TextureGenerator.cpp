#include "render/TextureGenerator.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>

QImage CTextureGenerator::Draw(TEXTURE_KIND kind, int width, int height, uint32_t color,
                               float alphaFactor) {
    if (width < 1 || height < 1)
        return QImage();
    QImage image(width, height, QImage::Format_ARGB32);
    const QColor base = QColor::fromRgba(color);
    // A fixed seed: the same picture every time, so rendered frames can be compared.
    QRandomGenerator random(static_cast<quint32>(kind) * 7919u + color);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case TEXTURE_WOOD: {
        image.fill(base.darker(130));
        // Grain lines along v, wavering a little.
        for (int line = 0; line < width / 3; ++line) {
            const double x = random.bounded(static_cast<double>(width));
            QPainterPath grain(QPointF(x, 0));
            for (int y = 0; y <= height; y += height / 8 + 1)
                grain.lineTo(x + 3.0 * std::sin(y * 0.05 + line), y);
            QColor c = line % 3 == 0 ? base.darker(180) : base.lighter(110);
            c.setAlpha(60 + random.bounded(100));
            painter.setPen(QPen(c, 0.5 + random.bounded(1.5)));
            painter.drawPath(grain);
        }
        break;
    }
    case TEXTURE_DRUM_SHELL: {
        QLinearGradient gradient(0, 0, width, 0);
        for (int k = 0; k <= 8; ++k)
            gradient.setColorAt(k / 8.0, k % 2 == 0 ? base : base.lighter(140));
        painter.fillRect(image.rect(), gradient);
        painter.setPen(Qt::NoPen);
        for (int k = 0; k < width * height / 64; ++k) {
            painter.setBrush(QColor(255, 255, 255, random.bounded(40, 140)));
            painter.drawEllipse(QPointF(random.bounded(static_cast<double>(width)),
                                        random.bounded(static_cast<double>(height))),
                                0.6, 0.6);
        }
        // Chrome bands near both edges.
        painter.fillRect(0, 0, width, height / 16, QColor(200, 200, 210));
        painter.fillRect(0, height - height / 16, width, height / 16, QColor(200, 200, 210));
        break;
    }
    case TEXTURE_METAL: {
        QRadialGradient gradient(width / 2.0, height / 2.0, width / 2.0);
        gradient.setColorAt(0.0, base.lighter(160));
        gradient.setColorAt(0.15, base.darker(120));
        gradient.setColorAt(0.2, base.lighter(130));
        gradient.setColorAt(1.0, base);
        painter.fillRect(image.rect(), gradient);
        painter.setBrush(Qt::NoBrush);
        for (int r = 4; r < width / 2; r += 3) {
            painter.setPen(QPen(QColor(0, 0, 0, 30 + random.bounded(40)), 0.8));
            painter.drawEllipse(QPointF(width / 2.0, height / 2.0), r, r);
        }
        break;
    }
    case TEXTURE_ENVIRONMENT: {
        QLinearGradient gradient(0, 0, 0, height);
        gradient.setColorAt(0.0, QColor(10, 10, 25));
        gradient.setColorAt(0.55, base);
        gradient.setColorAt(0.6, base.darker(200));
        gradient.setColorAt(1.0, QColor(20, 15, 10));
        painter.fillRect(image.rect(), gradient);
        painter.setPen(Qt::NoPen);
        for (int k = 0; k < 24; ++k) {
            painter.setBrush(QColor(255, 240, 200, random.bounded(60, 200)));
            painter.drawEllipse(
                QPointF(random.bounded(static_cast<double>(width)), random.bounded(height * 0.4)),
                1.2, 1.2);
        }
        break;
    }
    default:
        return QImage();
    }
    painter.end();
    if (alphaFactor < 1.0f) {
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]),
                                static_cast<int>(qAlpha(line[x]) * std::max(alphaFactor, 0.0f)));
        }
    }
    return image;
}
