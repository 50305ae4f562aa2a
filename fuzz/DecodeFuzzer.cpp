// libFuzzer target over the decoding of raw bytes under a picture decoder key.
// Built once per key (BRIMLET_FUZZ_KEY) and once with the key taken from the first byte.
#include "core/codecs/PictureFiles.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>

#ifndef BRIMLET_FUZZ_KEY
namespace {

const char* const kKeys[] = {".BMP", ".ICO", ".JPG", "JPEG", ".GIF", ".WMF", ".EMF"};

}  // namespace
#endif

// Keeps the reads above from being optimised away.
volatile unsigned gSink;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Text in metafiles is drawn only with an application's font database.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
#ifdef BRIMLET_FUZZ_KEY
    const std::string key = BRIMLET_FUZZ_KEY;
#else
    if (bytes.empty()) return 0;
    const std::string key = kKeys[bytes[0] % std::size(kKeys)];
    bytes = bytes.subspan(1);
#endif
    try {
        const brimlet::TBitmap32 picture = brimlet::DecodePicture(key, bytes);
        // Read the ends of every row so that a wrong size shows up as an out-of-bounds read.
        unsigned sum = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            const std::uint8_t* row = picture.ScanLine(y);
            sum += row[0] + row[picture.Stride() - 1];
        }
        gSink = sum;
    } catch (const std::exception&) {
        // A refused file is the expected outcome for most inputs.
    }
    return 0;
}
