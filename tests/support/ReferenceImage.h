#pragma once
// Compares a rendered picture with a reviewed reference image in tests/gui/reference/. On a
// mismatch the picture is written into the build folder (tests/actual-NAME) for review, and
// the failure names both files; a reviewed picture is copied over the reference.

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdlib>

// Empty when `actual` matches the reference `name`: the same size, and no more than
// `maxShare` of the pixels differing by more than `channelTolerance` in a colour channel.
inline QString CompareWithReference(const QImage& actual, const QString& name,
                                    int channelTolerance = 0, double maxShare = 0) {
    const QString referencePath =
        QStringLiteral(VLAKOMAT_SOURCE_DIR "/tests/gui/reference/") + name;
    const QImage reference = QImage(referencePath).convertToFormat(QImage::Format_RGB32);
    const QImage image = actual.convertToFormat(QImage::Format_RGB32);
    QString fault;
    if (reference.isNull()) {
        fault = QStringLiteral("there is no reference ") + referencePath;
    } else if (reference.size() != image.size()) {
        fault = QStringLiteral("the picture is %1x%2, the reference %3 %4x%5")
                    .arg(image.width())
                    .arg(image.height())
                    .arg(referencePath)
                    .arg(reference.width())
                    .arg(reference.height());
    } else {
        long differing = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
                const int d =
                    std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
                differing += d > channelTolerance;
            }
        const double share = static_cast<double>(differing) / (image.width() * image.height());
        if (share > maxShare)
            fault = QStringLiteral("%1 pixels differ from %2").arg(differing).arg(referencePath);
    }
    if (fault.isEmpty())
        return fault;
    const QString saved = QStringLiteral(VLAKOMAT_BINARY_DIR "/tests/actual-") + name;
    actual.save(saved);
    return fault + QStringLiteral("; what was drawn is in ") + saved;
}
