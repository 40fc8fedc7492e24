#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <string>

// Compares a rendered picture with a reference in tests/data/render at a quarter of its size,
// so that the small differences between rasterisers (edges, rounding) do not count. Returns an
// empty string when they match, else what differs. With MA_UPDATE_REFERENCES=1 the reference
// is written instead; with MA_SCREENSHOT_DIR set the picture is also saved there.
inline std::string ComparePicture(const QImage& picture, const char* name) {
    if (picture.isNull())
        return "no picture";
    const QImage small = picture
                             .scaled(picture.width() / 4, picture.height() / 4,
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    if (const char* dir = std::getenv("MA_SCREENSHOT_DIR"); dir && *dir)
        picture.save(QDir(dir).filePath(QString("%1.png").arg(name)));
    const QString path = QString(MA_TEST_DATA "/render/%1.png").arg(name);
    if (const char* update = std::getenv("MA_UPDATE_REFERENCES"); update && *update == '1') {
        small.save(path);
        return "";
    }
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    if (reference.size() != small.size())
        return "no reference of the same size at " + path.toStdString();
    long long sum = 0;
    int far = 0;
    for (int y = 0; y < small.height(); ++y)
        for (int x = 0; x < small.width(); ++x) {
            const QRgb a = small.pixel(x, y), b = reference.pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b));
            sum += d;
            if (d > 96)
                ++far;
        }
    const double mean = static_cast<double>(sum) / (3.0 * small.width() * small.height());
    const double farShare = static_cast<double>(far) / (small.width() * small.height());
    if (mean < 2.0 && farShare < 0.01)
        return "";
    return "differs from " + path.toStdString() + ": mean " + std::to_string(mean) +
           ", far pixels " + std::to_string(farShare * 100) + "%";
}
