#pragma once
// A real picture for tests that serve or show one.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

// An 8 x 8 PNG of one colour.
inline QByteArray PngPicture(const QColor& colour = Qt::red)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}
