// Helpers shared by the metafile tests: file access, running the independent renderers
// from Debian, and tolerant picture comparisons.
#pragma once

#include "core/Image32.h"

#include <QImage>

#include <cstdint>
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

// A deterministic picture with smooth gradients and hard edges.
TBitmap32 TestPicture(int width, int height);

}  // namespace brimlet::metafiletest
