#ifndef IMAGEBUFFER_H
#define IMAGEBUFFER_H

#include <QImage>
#include <QSize>

// Makes image a picture of the given size and format, keeping its buffer
// when it already is one (its pixels are then the old ones: callers paint
// it over). Charts and spectra made their pictures anew on every entry of a
// screen: each new buffer, some 90 to 330 KB, was taken while the old one
// was still held, and the old one's place was then partly filled by small
// allocations, so the heap grew with every visit.
inline void reuseImage(QImage &image, const QSize &size, QImage::Format format)
{
    if (image.size() != size || image.format() != format)
        image = QImage(size, format);
}

#endif // IMAGEBUFFER_H
