// Literal forms of the edge filters: two copies of the buffer, kernels read from the first
// and write into the second, then the frame copy, the assignment back and the inversion.
#include "filters/EdgeFilters.h"
#include "filters/GrayValue.h"

#include <algorithm>

namespace brimlet::reference {

namespace {

constexpr int kLaplacian[5][5] = {
    {-2, -4, -4, -4, -2},
    {-4, 0, 8, 0, -4},
    {-4, 8, 24, 8, -4},
    {-4, 0, 8, 0, -4},
    {-2, -4, -4, -4, -2},
};
constexpr int kH1[3][3] = {{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}};
constexpr int kV[3][3] = {{-1, -1, -1}, {0, 0, 0}, {1, 1, 1}};
constexpr int kH2[3][3] = {{1, 0, -1}, {1, 0, -1}, {1, 0, -1}};

void CopyColour(TBitmap32& bmp, int fromX, int fromY, int toX, int toY) {
    const std::uint8_t* from = bmp.ScanLine(fromY) + 4 * fromX;
    std::uint8_t* to = bmp.ScanLine(toY) + 4 * toX;
    to[kB] = from[kB];
    to[kG] = from[kG];
    to[kR] = from[kR];
}

void InvertAll(TBitmap32& buffer) { buffer.InvertRect({0, 0, buffer.Width(), buffer.Height()}); }

}  // namespace

void laplaciangause(TBitmap32& buffer, Progress& progress) {
    const int w = buffer.Width(), h = buffer.Height();
    if (w < 5 || h < 5) {
        progress.SetPosition(0);
        InvertAll(buffer);
        return;
    }
    TBitmap32 input;
    input.Assign(buffer);
    TBitmap32 output;
    output.Assign(buffer);
    for (int y = 2; y <= h - 3; ++y) {
        for (int x = 2; x <= w - 3; ++x) {
            int result[4] = {};
            for (int c : {kB, kG, kR}) {
                int s = 0;
                for (int i = -2; i <= 2; ++i)
                    for (int j = -2; j <= 2; ++j)
                        s += kLaplacian[i + 2][j + 2] * input.ScanLine(y + i)[4 * (x + j) + c];
                result[c] = std::clamp(s, 0, 255);
            }
            const std::uint8_t v = GrayValue(result[kR], result[kG], result[kB]);
            std::uint8_t* p = output.ScanLine(y) + 4 * x;
            p[kB] = p[kG] = p[kR] = v;
            p[kA] = std::uint8_t(255 - v);
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    for (int y = 2; y <= h - 3; ++y) {
        CopyColour(output, 2, y, 0, y);
        CopyColour(output, 2, y, 1, y);
        CopyColour(output, w - 3, y, w - 2, y);
        CopyColour(output, w - 3, y, w - 1, y);
    }
    for (int x = 0; x < w; ++x) {
        CopyColour(output, x, 2, x, 0);
        CopyColour(output, x, 2, x, 1);
        CopyColour(output, x, h - 3, x, h - 2);
        CopyColour(output, x, h - 3, x, h - 1);
    }
    buffer.Assign(output);
    InvertAll(buffer);
}

void picsobel(TBitmap32& buffer, Progress& progress) {
    const int w = buffer.Width(), h = buffer.Height();
    if (w < 3 || h < 3) {
        progress.SetPosition(0);
        InvertAll(buffer);
        return;
    }
    TBitmap32 input;
    input.Assign(buffer);
    TBitmap32 output;
    output.Assign(buffer);
    for (int y = 1; y <= h - 2; ++y) {
        for (int x = 1; x <= w - 2; ++x) {
            std::uint8_t* p = output.ScanLine(y) + 4 * x;
            for (int c : {kB, kG, kR}) {
                int h1 = 0, v = 0, h2 = 0;
                for (int i = -1; i <= 1; ++i) {
                    for (int j = -1; j <= 1; ++j) {
                        const int in = input.ScanLine(y + i)[4 * (x + j) + c];
                        h1 += kH1[i + 1][j + 1] * in;
                        v += kV[i + 1][j + 1] * in;
                        h2 += kH2[i + 1][j + 1] * in;
                    }
                }
                p[c] = std::uint8_t(
                    std::max({std::clamp(h1, 0, 255), std::clamp(v, 0, 255), std::clamp(h2, 0, 255)}));
            }
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    for (int y = 1; y <= h - 2; ++y) {
        CopyColour(output, 1, y, 0, y);
        CopyColour(output, w - 2, y, w - 1, y);
    }
    for (int x = 0; x < w; ++x) {
        CopyColour(output, x, 1, x, 0);
        CopyColour(output, x, h - 2, x, h - 1);
    }
    buffer.Assign(output);
    InvertAll(buffer);
}

}  // namespace brimlet::reference
