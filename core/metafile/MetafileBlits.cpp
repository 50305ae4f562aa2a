// The canvas's bitmap calls: blits by raster operation (with fast loops for the common
// ones), and the blends, colour-keyed, masked and parallelogram blits that map every output
// pixel back onto the source. They write the picture's pixels themselves, so that bitmap
// records reproduce their pixels exactly.
#include "core/metafile/MetafileCanvas.h"

#include "core/metafile/CanvasSupport.h"

#include <algorithm>
#include <cmath>

namespace brimlet::metafile {

QRgb MetafileCanvas::PatternAt(int x, int y) const {
    const Brush& b = dc_.brush;
    if (b.kind == Brush::Kind::kPattern && !b.pattern.isNull()) {
        const int w = b.pattern.width(), h = b.pattern.height();
        return b.pattern.pixel(((x % w) + w) % w, ((y % h) + h) % h);
    }
    if (b.kind == Brush::Kind::kNull) return kWhite;
    return b.colour;
}

const QImage* MetafileCanvas::ClipMask() {
    if (!dc_.clip) return nullptr;
    if (!clipMaskValid_) {
        budget_.Charge(double(image_.width()) * image_.height() + clipWork_);
        clipMask_ = QImage(image_.size(), QImage::Format_Grayscale8);
        clipMask_.fill(0);
        QPainter p(&clipMask_);
        p.fillPath(*dc_.clip, Qt::white);
        clipMaskValid_ = true;
    }
    return &clipMask_;
}

void MetafileCanvas::Blit(const QRectF& destination, const QImage& source, QRectF sourceRect,
                          std::uint32_t rop, bool monochrome) {
    const std::uint64_t drawing = ++drawings_;
    std::optional<IconMask> previous = std::move(iconMask_);
    iconMask_.reset();
    // Decoding the source took its pixels' worth (an RLE bitmap 0.7 ns a pixel, JPEG more),
    // whatever becomes of it here.
    if (!source.isNull()) budget_.Charge(4 * double(source.width()) * source.height());
    const auto t = Transform();
    if (!t || inPath_) return;
    if (destination.width() == 0 || destination.height() == 0) return;
    const bool useSource = ((rop >> 2) ^ rop) & 0x330000;  // the result depends on the source
    if (useSource && (source.isNull() || sourceRect.width() == 0 || sourceRect.height() == 0))
        return;
    const std::uint8_t code = std::uint8_t(rop >> 16);
    const QRectF bounds = t->mapRect(destination.normalized()) & QRectF(image_.rect());
    if (bounds.isEmpty()) return;
    const int x0 = int(std::floor(bounds.left())), x1 = int(std::ceil(bounds.right()));
    const int y0 = int(std::floor(bounds.top())), y1 = int(std::ceil(bounds.bottom()));
    // Output pixels within the canvas: columns xa..xb - 1, rows ya..yb - 1.
    const int xa = std::max(0, x0), xb = std::min(x1, image_.width());
    const int ya = std::max(0, y0), yb = std::min(y1, image_.height());
    const QTransform inverse = t->inverted();
    // Without rotation or shear each output column falls on one source column whatever the
    // row, and each row on one source row: both are worked out once.
    const bool separable = inverse.m12() == 0 && inverse.m21() == 0 && inverse.isAffine();
    const bool solidPattern = !(dc_.brush.kind == Brush::Kind::kPattern && !dc_.brush.pattern.isNull());
    const bool fast = separable && !dc_.clip && !(monochrome && useSource && code == 0x88) &&
                      ((code == 0xCC && useSource) || (!useSource && solidPattern));
    const double area = double(std::max(0, xb - xa)) * std::max(0, yb - ya);
    // Nanoseconds a pixel measured: a fill 0.25, another operation of a solid pattern or
    // SRCCOPY's gather 0.8, the general loop 3 to 5, the per-pixel mapping of a turned
    // destination 5 and more.
    const bool fill = !useSource && (code == 0xF0 || code == 0x00 || code == 0xFF || code == 0xAA);
    const double perPixel = fast ? (fill ? 1 : 2) : separable ? 8 : 16;
    budget_.Charge(area * perPixel + (xb - xa) + (yb - ya));
    const double dxw = destination.width(), dyh = destination.height();
    // The source pixel under output pixel (x, y): false when the destination or the source
    // does not reach it. One axis at a time: t in [0, 1) across the destination lands on
    // source index floor(start + t * extent), which must lie in [0, size).
    auto sourceIndex = [&](double t, double start, double extent, int size, int& index) {
        if (!(t >= 0 && t < 1)) return false;
        if (!useSource) return index = 0, true;
        const double f = std::floor(start + t * extent);
        if (!(f >= 0 && f < size)) return false;
        return index = int(f), true;
    };
    auto sourceColumn = [&](double u, int& column) {
        return sourceIndex(u, sourceRect.x(), sourceRect.width(), source.width(), column);
    };
    auto sourceRow = [&](double v, int& row) {
        return sourceIndex(v, sourceRect.y(), sourceRect.height(), source.height(), row);
    };
    std::vector<int> columns, rows;
    if (separable) {
        columns.assign(std::size_t(std::max(0, xb - xa)), -1);
        rows.assign(std::size_t(std::max(0, yb - ya)), -1);
        for (int x = xa; x < xb; ++x) {
            const double u = (inverse.map(QPointF(x + 0.5, ya + 0.5)).x() - destination.x()) / dxw;
            sourceColumn(u, columns[std::size_t(x - xa)]);
        }
        for (int y = ya; y < yb; ++y) {
            const double v = (inverse.map(QPointF(xa + 0.5, y + 0.5)).y() - destination.y()) / dyh;
            sourceRow(v, rows[std::size_t(y - ya)]);
        }
    }
    if (fast) {
        BlitFast(QRect(QPoint(xa, ya), QPoint(xb - 1, yb - 1)), columns, rows, source, code);
        return;
    }
    const QImage* mask = ClipMask();
    // The system draws an icon as its mask ANDed onto the destination, then its image
    // XORed over it. Under the mask's set bits an alpha icon's image holds whatever colour
    // the alpha channel hid on screen (often white), and a metafile keeps no alpha: XORing
    // it would paint those pixels over the background. So where the mask kept the
    // destination, the image that follows is left out. A well-formed icon is black there,
    // and XOR with black changes nothing, so its look is the same either way.
    const bool andMask = monochrome && useSource && code == 0x88;
    const bool image = code == 0x66 && useSource && previous &&
                       previous->drawing + 1 == drawing && previous->destination == destination &&
                       previous->transform == *t;
    IconMask next;
    if (andMask) {
        next.drawing = drawing;
        next.destination = destination;
        next.transform = *t;
        next.bounds = QRect(QPoint(xa, ya), QPoint(xb - 1, yb - 1));
        next.keep.assign(std::size_t(std::max(0, next.bounds.width())) *
                             std::size_t(std::max(0, next.bounds.height())),
                         false);
    }
    auto keepIndex = [](const IconMask& m, int x, int y) {
        return std::size_t(y - m.bounds.top()) * std::size_t(m.bounds.width()) +
               std::size_t(x - m.bounds.left());
    };
    const Brush& brush = dc_.brush;
    const std::uint32_t solid = PatternAt(0, 0) & 0xFFFFFF;
    const Rop3 rop3(code);
    for (int y = ya; y < yb; ++y) {
        int sy = 0;
        if (separable && (sy = rows[std::size_t(y - ya)]) < 0) continue;
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const QRgb* sourceLine = separable && useSource ? reinterpret_cast<const QRgb*>(source.constScanLine(sy)) : nullptr;
        const uchar* maskRow = mask ? mask->constScanLine(y) : nullptr;
        const QRgb* patternRow = nullptr;
        int patternWidth = 1;
        if (!solidPattern) {
            const int h = brush.pattern.height();
            patternRow = reinterpret_cast<const QRgb*>(brush.pattern.constScanLine(((y % h) + h) % h));
            patternWidth = brush.pattern.width();
        }
        for (int x = xa; x < xb; ++x) {
            if (maskRow && !maskRow[x]) continue;
            int sx = 0;
            if (separable) {
                if ((sx = columns[std::size_t(x - xa)]) < 0) continue;
            } else {
                const QPointF l = inverse.map(QPointF(x + 0.5, y + 0.5));
                const double u = (l.x() - destination.x()) / dxw, v = (l.y() - destination.y()) / dyh;
                if (!(u >= 0 && u < 1 && v >= 0 && v < 1)) continue;
                if (!sourceColumn(u, sx) || !sourceRow(v, sy)) continue;
            }
            std::uint32_t s = 0;
            if (useSource) {
                const QRgb px = (sourceLine ? sourceLine : reinterpret_cast<const QRgb*>(source.constScanLine(sy)))[sx];
                if (qAlpha(px) == 0) continue;  // rows the record did not carry
                s = px & 0xFFFFFF;
            }
            if (andMask && s == 0xFFFFFF) next.keep[keepIndex(next, x, y)] = true;
            if (image && previous->bounds.contains(x, y) && previous->keep[keepIndex(*previous, x, y)])
                continue;
            const std::uint32_t p =
                patternRow ? patternRow[((x % patternWidth) + patternWidth) % patternWidth] & 0xFFFFFF : solid;
            const std::uint32_t d = row[x] & 0xFFFFFF;
            row[x] = 0xFF000000u | rop3(p, s, d);
        }
    }
    if (andMask) iconMask_ = std::move(next);
}

void MetafileCanvas::BlitFast(const QRect& area, const std::vector<int>& columns,
                              const std::vector<int>& rows, const QImage& source, std::uint8_t code) {
    const std::uint32_t p = PatternAt(0, 0) & 0xFFFFFF;
    // With the pattern one colour, each result bit depends on the destination's alone.
    const Rop3 rop3(code);
    const std::uint32_t whereD = rop3(p, 0, 0xFFFFFF), whereNotD = rop3(p, 0, 0);
    // The columns the destination reaches form one run, as the mapping keeps their order.
    const auto reached = [](int c) { return c >= 0; };
    const auto first = std::find_if(columns.begin(), columns.end(), reached);
    if (first == columns.end()) return;
    const auto last = std::find_if(columns.rbegin(), columns.rend(), reached).base();
    const bool run = std::all_of(first, last, reached);
    const int from = area.left() + int(first - columns.begin());
    const int to = area.left() + int(last - columns.begin());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sy = rows[std::size_t(y - area.top())];
        if (sy < 0) continue;
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const auto* in = code == 0xCC ? reinterpret_cast<const QRgb*>(source.constScanLine(sy)) : nullptr;
        if (run) {
            switch (code) {
            case 0xF0: std::fill(row + from, row + to, 0xFF000000u | p); continue;  // PATCOPY
            case 0x00: std::fill(row + from, row + to, 0xFF000000u); continue;      // BLACKNESS
            case 0xFF: std::fill(row + from, row + to, 0xFFFFFFFFu); continue;      // WHITENESS
            case 0xAA: continue;                                                     // the destination
            default: break;
            }
        }
        for (int x = from; x < to; ++x) {
            const int sx = columns[std::size_t(x - area.left())];
            if (sx < 0) continue;
            if (in) {
                // SRCCOPY; rows the record did not carry have alpha 0.
                if (qAlpha(in[sx]) != 0) row[x] = 0xFF000000u | in[sx];
            } else {
                row[x] = 0xFF000000u | (row[x] & whereD) | (~row[x] & whereNotD);
            }
        }
    }
}

template <typename Visit>
void MetafileCanvas::ForEachMappedPixel(QPointF origin, QPointF u, QPointF v, const QImage& source,
                                        QRectF sourceRect, Visit&& visit) {
    ++drawings_;
    // Decoding the source took its pixels' worth, whatever becomes of it here.
    if (!source.isNull()) budget_.Charge(4 * double(source.width()) * source.height());
    const auto t = Transform();
    if (!t || inPath_) return;
    // (a, b) in the unit square to the logical parallelogram, then to output pixels.
    const QTransform toOutput = QTransform(u.x(), u.y(), v.x(), v.y(), origin.x(), origin.y()) * *t;
    if (!Finite(toOutput) || !toOutput.isInvertible()) return;
    const QTransform back = toOutput.inverted();
    const QRectF bounds = toOutput.mapRect(QRectF(0, 0, 1, 1)) & QRectF(0, 0, Width(), Height());
    if (bounds.isEmpty()) return;
    const int x0 = std::max(0, int(std::floor(bounds.left())));
    const int x1 = std::min(Width(), int(std::ceil(bounds.right())));
    const int y0 = std::max(0, int(std::floor(bounds.top())));
    const int y1 = std::min(Height(), int(std::ceil(bounds.bottom())));
    // Every pixel of the bounds is mapped back one by one, as a turned Blit maps them.
    budget_.Charge(16 * double(x1 - x0) * (y1 - y0) + (x1 - x0) + (y1 - y0));
    const QImage* mask = ClipMask();
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const uchar* maskRow = mask ? mask->constScanLine(y) : nullptr;
        // Both mappings are affine: along a row, (a, b) moves by (m11, m12) a pixel.
        const QPointF start = back.map(QPointF(x0 + 0.5, y + 0.5));
        for (int x = x0; x < x1; ++x) {
            if (maskRow && !maskRow[x]) continue;
            const double a = start.x() + (x - x0) * back.m11(), b = start.y() + (x - x0) * back.m12();
            if (!(a >= 0 && a < 1 && b >= 0 && b < 1)) continue;
            const double fx = std::floor(sourceRect.x() + a * sourceRect.width());
            const double fy = std::floor(sourceRect.y() + b * sourceRect.height());
            if (!source.isNull() &&
                !(fx >= 0 && fy >= 0 && fx < source.width() && fy < source.height()))
                continue;
            if (!(std::abs(fx) < kMaxCoordinate && std::abs(fy) < kMaxCoordinate)) continue;
            visit(row[x], x, y, int(fx), int(fy));
        }
    }
}

namespace {

QRgb SourcePixel(const QImage& source, int x, int y) {
    return reinterpret_cast<const QRgb*>(source.constScanLine(y))[x];
}

// Whether a ternary raster operation reads the source.
bool ReadsSource(std::uint8_t code) { return ((code >> 2) ^ code) & 0x33; }

// Whether the mask pixel under source pixel (x, y) is set: light, or beyond the mask. The
// mask's pixel `origin` lies under the source rectangle's corner.
bool MaskBit(const QImage& mask, QPointF corner, QPoint origin, int x, int y) {
    const double mx = x - std::floor(corner.x()) + origin.x();
    const double my = y - std::floor(corner.y()) + origin.y();
    if (!(mx >= 0 && my >= 0 && mx < mask.width() && my < mask.height())) return true;
    return qGray(mask.pixel(int(mx), int(my))) >= 128;
}

}  // namespace

void MetafileCanvas::AlphaBlend(const QRectF& destination, const QImage& source, QRectF sourceRect,
                                int constantAlpha, bool sourceAlpha) {
    if (source.isNull()) return;
    // In 255ths squared: the source counts k / 255, the destination 1 - a k / 255^2.
    const int k = std::clamp(constantAlpha, 0, 255);
    constexpr int kWhole = 255 * 255;
    ForEachMappedPixel(
        destination.topLeft(), QPointF(destination.width(), 0), QPointF(0, destination.height()),
        source, sourceRect, [&](QRgb& d, int, int, int sx, int sy) {
            const QRgb s = SourcePixel(source, sx, sy);
            // Without its own alpha, a source pixel of alpha 0 is a row the record left out.
            if (!sourceAlpha && qAlpha(s) == 0) return;
            const int keep = kWhole - (sourceAlpha ? qAlpha(s) : 255) * k;
            auto mix = [&](int sc, int dc) {
                return std::min(255, (sc * 255 * k + dc * keep + kWhole / 2) / kWhole);
            };
            d = qRgb(mix(qRed(s), qRed(d)), mix(qGreen(s), qGreen(d)), mix(qBlue(s), qBlue(d)));
        });
}

void MetafileCanvas::TransparentBlit(const QRectF& destination, const QImage& source,
                                     QRectF sourceRect, QRgb key) {
    if (source.isNull()) return;
    ForEachMappedPixel(destination.topLeft(), QPointF(destination.width(), 0),
                       QPointF(0, destination.height()), source, sourceRect,
                       [&](QRgb& d, int, int, int sx, int sy) {
                           const QRgb s = SourcePixel(source, sx, sy);
                           if (qAlpha(s) == 0 || ((s ^ key) & 0xFFFFFF) == 0) return;
                           d = s | 0xFF000000u;
                       });
}

void MetafileCanvas::MaskBlit(const QRectF& destination, const QImage& source, QRectF sourceRect,
                              const QImage& mask, QPoint maskOrigin, std::uint32_t rop4) {
    const std::uint8_t fore = std::uint8_t(rop4 >> 16), back = std::uint8_t(rop4 >> 24);
    if (source.isNull() && (ReadsSource(fore) || (!mask.isNull() && ReadsSource(back)))) return;
    const Rop3 foreground(fore), background(back);
    ForEachMappedPixel(
        destination.topLeft(), QPointF(destination.width(), 0), QPointF(0, destination.height()),
        source, sourceRect, [&](QRgb& d, int x, int y, int sx, int sy) {
            std::uint32_t s = 0;
            if (!source.isNull()) {
                const QRgb px = SourcePixel(source, sx, sy);
                if (qAlpha(px) == 0) return;
                s = px & 0xFFFFFF;
            }
            const bool set =
                mask.isNull() || MaskBit(mask, sourceRect.topLeft(), maskOrigin, sx, sy);
            const std::uint32_t p = PatternAt(x, y) & 0xFFFFFF;
            d = 0xFF000000u | (set ? foreground : background)(p, s, d & 0xFFFFFF);
        });
}

void MetafileCanvas::ParallelogramBlit(const std::array<QPointF, 3>& corners, const QImage& source,
                                       QRectF sourceRect, const QImage& mask, QPoint maskOrigin) {
    if (source.isNull()) return;
    ForEachMappedPixel(corners[0], corners[1] - corners[0], corners[2] - corners[0], source,
                       sourceRect, [&](QRgb& d, int, int, int sx, int sy) {
                           const QRgb s = SourcePixel(source, sx, sy);
                           if (qAlpha(s) == 0) return;
                           if (!mask.isNull() &&
                               !MaskBit(mask, sourceRect.topLeft(), maskOrigin, sx, sy))
                               return;
                           d = s | 0xFF000000u;
                       });
}

}  // namespace brimlet::metafile
