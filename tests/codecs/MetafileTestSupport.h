// Helpers shared by the metafile tests: file access, running the independent renderers
// from Debian, and tolerant picture comparisons.
#pragma once

#include "core/Image32.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brimlet::metafiletest {

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string TestData(const std::string& name);
// A fresh folder under the system's temporary folder.
std::string TempDir();

// True when the program is on the PATH.
bool HaveTool(const std::string& name);
// Runs a shell command, returns its exit status.
int RunShell(const std::string& command);

// The picture as an RGB32 QImage (alpha ignored) and back.
QImage ToQImage(const TBitmap32& picture);
TBitmap32 FromQImage(const QImage& image);

// Pearson correlation of the grey values of two pictures of the same size.
double GreyCorrelation(const TBitmap32& a, const TBitmap32& b);
// Share of pixels whose channels all lie within tolerance of each other.
double ShareOfClosePixels(const TBitmap32& a, const TBitmap32& b, int tolerance);
// Mean absolute difference per channel.
double MeanAbsoluteDifference(const TBitmap32& a, const TBitmap32& b);

// The drawn part of a picture (its non-white bounding box) resampled by area averaging
// to size x size, so that renderers that frame or scale a drawing differently compare.
TBitmap32 InkBoxResampled(const TBitmap32& picture, int size);

// Builds small WMF files record by record; sizes and the header are filled in by Bytes().
class WmfBuilder {
public:
    // A placeable header with the bounding box (0, 0, width, height) at the given units per inch,
    // or none (plain WMF) when inch is 0.
    WmfBuilder(int width, int height, int inch, int objects = 4);
    // Appends a record: function and 16-bit parameters (in the file's order).
    WmfBuilder& Record(std::uint16_t function, const std::vector<std::uint16_t>& params);
    // Appends a record whose size field is given as is (for damaged files).
    WmfBuilder& RawRecord(std::uint32_t words, std::uint16_t function,
                          const std::vector<std::uint16_t>& params);
    std::vector<std::uint8_t> Bytes() const;

private:
    int width_, height_, inch_, objects_;
    std::vector<std::uint8_t> records_;
};

// Builds small EMF files: a header with the frame (0.01 mm) and a reference device of
// 96 pixels per inch, then records of 32-bit values.
class EmfBuilder {
public:
    EmfBuilder(int frameRight, int frameBottom, int handles = 4);
    EmfBuilder& Record(std::uint32_t type, const std::vector<std::uint32_t>& params);
    EmfBuilder& RawRecord(std::uint32_t type, std::uint32_t size, const std::vector<std::uint32_t>& params);
    std::vector<std::uint8_t> Bytes() const;

private:
    int right_, bottom_, handles_;
    std::vector<std::uint8_t> records_;
};

// The metafile at `path` drawn by an independent renderer from Debian at width x height:
// libwmf's wmf2gd for WMF, emf2svg-conv and rsvg-convert for EMF. Empty when the tools are
// not installed; throws when they fail.
std::optional<TBitmap32> ReferenceRendering(const std::string& path, int width, int height);

// Little-endian words of a BITMAPINFOHEADER DIB of the given depth (1, 24 or 32 bits),
// bottom-up as usual: the header, for 1 bit a black and white colour table, then the rows.
// Pixels are given top row first as 0xAARRGGBB (for 1 bit: 0 or 1; 24 bits drop the A).
std::vector<std::uint32_t> DibWords(int width, int height, int bitCount,
                                    const std::vector<std::uint32_t>& pixels);

// A deterministic picture with smooth gradients and hard edges.
TBitmap32 TestPicture(int width, int height);

}  // namespace brimlet::metafiletest
