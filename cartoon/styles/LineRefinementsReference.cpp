// Literal forms of the line-layer refinements: the fast paths are checked against these.
#include "cartoon/styles/LineRefinements.h"

#include <algorithm>

namespace brimlet::reference {

void Shallow(TBitmap32& picture, Progress& progress) {
    TBitmap32 work;
    work.Assign(picture);
    for (int y = 1; y <= work.Height() - 2; ++y) {
        std::uint8_t* row = work.ScanLine(y);
        for (int x = 1; x <= work.Width() - 2; ++x) {
            std::uint8_t* p = row + 4 * x;
            p[kA] = std::uint8_t(std::max(0, p[kA] - 30));
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    picture.Assign(work);
}

void smooth(TBitmap32& picture, Progress& progress) {
    static const int kWeights[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
    TBitmap32 source, output;
    source.Assign(picture);
    output.Assign(picture);
    for (int y = 1; y <= source.Height() - 2; ++y) {
        const std::uint8_t* rows[3] = {source.ScanLine(y - 1), source.ScanLine(y),
                                       source.ScanLine(y + 1)};
        std::uint8_t* out = output.ScanLine(y);
        for (int x = 1; x <= source.Width() - 2; ++x) {
            for (int channel : {kR, kG, kB}) {
                int sum = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = 0; dx < 3; ++dx)
                        sum += kWeights[dy][dx] * rows[dy][4 * (x + dx - 1) + channel];
                out[4 * x + channel] = std::uint8_t(std::min(255, std::max(0, sum / 16)));
            }
            out[4 * x + kA] = std::uint8_t(255 - out[4 * x + kB]);
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    picture.Assign(output);
}

void ClearSpots(TBitmap32& picture, Progress& progress) {
    TBitmap32 source, output;
    source.Assign(picture);
    output.Assign(picture);
    std::int32_t values[3][9];
    for (int y = 1; y <= source.Height() - 2; ++y) {
        const std::uint8_t* rows[3] = {source.ScanLine(y - 1), source.ScanLine(y),
                                       source.ScanLine(y + 1)};
        std::uint8_t* out = output.ScanLine(y);
        for (int x = 1; x <= source.Width() - 2; ++x) {
            const int channels[3] = {kR, kG, kB};
            for (int c = 0; c < 3; ++c) {
                int k = 0;
                for (int dy = 0; dy < 3; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        values[c][k++] = rows[dy][4 * (x + dx) + channels[c]];
                brimlet::SelectionSort(values[c], 8);
                out[4 * x + channels[c]] = std::uint8_t(values[c][4]);
            }
            out[4 * x + kA] = std::uint8_t(255 - out[4 * x + kB]);
        }
        progress.Advance(1);
    }
    progress.SetPosition(0);
    picture.Assign(output);
}

}  // namespace brimlet::reference
