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

// A reader over bytes that stay owned by the caller, asked for one format only. Qt's
// allocation limit, which the decoders set for each file, is one for the whole process:
// the reader puts back the limit it found, so that one file's bound does not refuse the
// pictures read after it.
struct MemoryReader {
    const int previousLimitMb = QImageReader::allocationLimit();
    QByteArray data;
    QBuffer buffer;
    QImageReader reader;

    MemoryReader(std::span<const std::uint8_t> bytes, const char* format);
    ~MemoryReader() { QImageReader::setAllocationLimit(previousLimitMb); }
    MemoryReader(const MemoryReader&) = delete;
    MemoryReader& operator=(const MemoryReader&) = delete;
};

// B, G, R with alpha 0; any transparency composed onto white with rounding.
TBitmap32 FromQImage(const QImage& image);

// Throws PictureError: "The <what> file cannot be read: <reason>".
[[noreturn]] void FailQtRead(const char* what, const QImageReader& reader);

}  // namespace brimlet
