// QtGui's image readers, reading from memory, and their pictures turned into ours.
#pragma once

#include "core/Image32.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <span>

namespace brimlet {

// A reader over bytes that stay owned by the caller, asked for one format only.
struct MemoryReader {
    QByteArray data;
    QBuffer buffer;
    QImageReader reader;

    MemoryReader(std::span<const std::uint8_t> bytes, const char* format);
};

// B, G, R with alpha 0; any transparency composed onto white with rounding.
TBitmap32 FromQImage(const QImage& image);

// Throws PictureError: "The <what> file cannot be read: <reason>".
[[noreturn]] void FailQtRead(const char* what, const QImageReader& reader);

}  // namespace brimlet
