// Plays enhanced metafiles (EMF) onto a white bitmap at the size of their frame at 96 dpi.
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/ByteReader.h"
#include "core/metafile/Dib.h"
#include "core/metafile/Metafile.h"
#include "core/metafile/MetafileCanvas.h"
#include "core/metafile/ObjectTable.h"

#include <array>
#include <cmath>
#include <optional>

namespace brimlet {
namespace {

using namespace metafile;

enum : std::uint32_t {
    kHeader = 1, kPolyBezier = 2, kPolygon = 3, kPolyline = 4, kPolyBezierTo = 5,
    kPolylineTo = 6, kPolyPolyline = 7, kPolyPolygon = 8, kSetWindowExtEx = 9,
    kSetWindowOrgEx = 10, kSetViewportExtEx = 11, kSetViewportOrgEx = 12, kEof = 14,
    kSetPixelV = 15, kSetMapMode = 17, kSetBkMode = 18, kSetPolyFillMode = 19, kSetRop2 = 20,
    kSetTextAlign = 22, kSetTextColor = 24, kSetBkColor = 25, kMoveToEx = 27,
    kExcludeClipRect = 29, kIntersectClipRect = 30, kScaleViewportExtEx = 31,
    kScaleWindowExtEx = 32, kSaveDc = 33, kRestoreDc = 34, kSetWorldTransform = 35,
    kModifyWorldTransform = 36, kSelectObject = 37, kCreatePen = 38, kCreateBrushIndirect = 39,
    kDeleteObject = 40, kAngleArc = 41, kEllipse = 42, kRectangle = 43, kRoundRect = 44,
    kArc = 45, kChord = 46, kPie = 47, kSelectPalette = 48, kCreatePalette = 49, kLineTo = 54,
    kArcTo = 55, kPolyDraw = 56, kSetArcDirection = 57, kBeginPath = 59, kEndPath = 60,
    kCloseFigure = 61, kFillPath = 62, kStrokeAndFillPath = 63, kStrokePath = 64,
    kSelectClipPath = 67, kAbortPath = 68, kExtSelectClipRgn = 75, kBitBlt = 76,
    kStretchBlt = 77, kSetDiBitsToDevice = 80, kStretchDiBits = 81,
    kExtCreateFontIndirectW = 82, kExtTextOutA = 83, kExtTextOutW = 84, kPolyBezier16 = 85,
    kPolygon16 = 86, kPolyline16 = 87, kPolyBezierTo16 = 88, kPolylineTo16 = 89,
    kPolyPolyline16 = 90, kPolyPolygon16 = 91, kPolyDraw16 = 92, kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94, kExtCreatePen = 95, kMaskBlt = 78, kPlgBlt = 79,
    kAlphaBlend = 114, kTransparentBlt = 116,
};

constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kSrcCopy = 0x00CC0020;

[[noreturn]] void Damaged(const std::string& why) {
    throw PictureError("The metafile is damaged: " + why);
}

QPointF ReadPoint(ByteReader& p, bool small) {
    if (small) {
        const double x = p.S16(), y = p.S16();
        return {x, y};
    }
    const double x = p.S32(), y = p.S32();
    return {x, y};
}

QPolygonF ReadPoints(ByteReader& p, std::uint64_t count, bool small) {
    if (count * (small ? 4 : 8) > p.Remaining())
        Damaged("a record holds fewer points than it claims");
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (std::uint64_t i = 0; i < count; ++i) points << ReadPoint(p, small);
    return points;
}

QRectF ReadRect(ByteReader& p) {
    const double l = p.S32(), t = p.S32(), r = p.S32(), b = p.S32();
    return QRectF(QPointF(l, t), QPointF(r, b));
}

QTransform ReadXForm(ByteReader& p) {
    const double m11 = p.F32(), m12 = p.F32(), m21 = p.F32(), m22 = p.F32(), dx = p.F32(),
                 dy = p.F32();
    return QTransform(m11, m12, m21, m22, dx, dy);
}

ColourUsage Usage(std::uint32_t value) {
    return value == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
}

// A 32-bit DIB keeps an alpha channel in the fourth byte of each pixel, which the decoded
// picture leaves out; AlphaBlend records with AC_SRC_ALPHA weigh each pixel by it. Other
// DIBs have none.
std::optional<QImage> WithAlphaChannel(QImage decoded, std::span<const std::uint8_t> header,
                                       std::span<const std::uint8_t> bits, ColourUsage usage) {
    const DibInfo info = ReadDibInfo(header, usage);
    const std::size_t stride = std::size_t(info.width) * 4;
    if (decoded.isNull() || stride == 0 || info.bitCount != 32 || info.compression != 0 ||
        decoded.width() != info.width || decoded.height() != info.height ||
        bits.size() / stride < std::size_t(info.height))
        return std::nullopt;
    decoded = decoded.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < info.height; ++y) {
        const std::size_t row = std::size_t(info.topDown ? y : info.height - 1 - y);
        const std::uint8_t* in = bits.data() + row * stride;
        auto* out = reinterpret_cast<QRgb*>(decoded.scanLine(y));
        for (int x = 0; x < info.width; ++x)
            out[x] = (out[x] & 0xFFFFFF) | std::uint32_t(in[4 * x + 3]) << 24;
    }
    return decoded;
}

class EmfPlayer {
public:
    EmfPlayer(MetafileCanvas& canvas, std::size_t handles)
        : canvas_(canvas), objects_(handles, handles) {}

    void Play(std::uint32_t type, ByteReader& record);

private:
    void Select(std::uint32_t index);
    void CreateAt(std::uint32_t index, GdiObject object);
    void PlayBitmap(std::uint32_t type, ByteReader& record);
    void PlayBlend(std::uint32_t type, ByteReader& record);
    void PlayMasked(std::uint32_t type, ByteReader& record);
    QImage MaskDib(const ByteReader& record, std::uint32_t usage, std::uint32_t offBmi,
                   std::uint32_t cbBmi, std::uint32_t offBits, std::uint32_t cbBits);
    QImage Dib(const ByteReader& record, std::uint32_t offBmi, std::uint32_t cbBmi,
               std::uint32_t offBits, std::uint32_t cbBits, ColourUsage usage, bool* fromBottom,
               int firstScan = 0, int scans = -1, bool* monochrome = nullptr);
    void PolyDraw(ByteReader& p, bool small);

    MetafileCanvas& canvas_;
    ObjectTable objects_;
};

void EmfPlayer::CreateAt(std::uint32_t index, GdiObject object) {
    if (index == 0 || (index & 0x80000000u))
        Damaged("it creates an object in the reserved slot " + std::to_string(index));
    objects_.Put(index, std::move(object));
}

void EmfPlayer::Select(std::uint32_t index) {
    DcState& dc = canvas_.Dc();
    if (!(index & 0x80000000u)) {
        objects_.Select(index, dc);
        return;
    }
    // Stock objects.
    const std::uint32_t stock = index & 0x7FFFFFFF;
    Brush brush;
    Pen pen;
    switch (stock) {
    case 0: brush.colour = kWhite; dc.brush = brush; break;
    case 1: brush.colour = qRgb(192, 192, 192); dc.brush = brush; break;
    case 2: brush.colour = qRgb(128, 128, 128); dc.brush = brush; break;
    case 3: brush.colour = qRgb(64, 64, 64); dc.brush = brush; break;
    case 4: brush.colour = kBlack; dc.brush = brush; break;
    case 5: brush.kind = Brush::Kind::kNull; dc.brush = brush; break;
    case 6: pen.colour = kWhite; dc.pen = pen; break;
    case 7: pen.colour = kBlack; dc.pen = pen; break;
    case 8: pen.style = 5; dc.pen = pen; break;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17: dc.font = Font(); break;
    default: break;
    }
}

QImage EmfPlayer::Dib(const ByteReader& record, std::uint32_t offBmi, std::uint32_t cbBmi,
                      std::uint32_t offBits, std::uint32_t cbBits, ColourUsage usage,
                      bool* fromBottom, int firstScan, int scans, bool* monochrome) {
    const auto header = record.Slice(offBmi, cbBmi);
    const auto bits = record.Slice(offBits, cbBits);
    const DibInfo info = ReadDibInfo(header, usage);
    if (fromBottom) *fromBottom = !info.topDown && info.compression != 4 && info.compression != 5;
    if (monochrome) *monochrome = info.bitCount == 1;
    return DecodeDib(header, bits, usage, canvas_.Dc().palette, firstScan, scans);
}

void EmfPlayer::PlayBitmap(std::uint32_t type, ByteReader& p) {
    p.Skip(16);  // bounds
    if (type == kBitBlt || type == kStretchBlt) {
        const double x = p.S32(), y = p.S32(), cx = p.S32(), cy = p.S32();
        const std::uint32_t rop = p.U32();
        const double xs = p.S32(), ys = p.S32();
        p.Skip(24 + 4);  // source transform, background colour
        const ColourUsage usage = p.U32() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
        double cxs = cx, cys = cy;
        if (type == kStretchBlt) cxs = p.S32(), cys = p.S32();
        if (cbBmi == 0) {
            canvas_.Blit(QRectF(x, y, cx, cy), QImage(), QRectF(), rop);
            return;
        }
        // The source is a bitmap selected into a device context: its y runs downwards.
        bool monochrome = false;
        const QImage source =
            Dib(p, offBmi, cbBmi, offBits, cbBits, usage, nullptr, 0, -1, &monochrome);
        canvas_.Blit(QRectF(x, y, cx, cy), source, QRectF(xs, ys, cxs, cys), rop, monochrome);
    } else if (type == kStretchDiBits) {
        const double x = p.S32(), y = p.S32(), xs = p.S32(), ys = p.S32(), cxs = p.S32(),
                     cys = p.S32();
        const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
        const ColourUsage usage = p.U32() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        const std::uint32_t rop = p.U32();
        const double cx = p.S32(), cy = p.S32();
        if (cbBmi == 0) {
            canvas_.Blit(QRectF(x, y, cx, cy), QImage(), QRectF(), rop);
            return;
        }
        bool fromBottom = false, monochrome = false;
        const QImage source =
            Dib(p, offBmi, cbBmi, offBits, cbBits, usage, &fromBottom, 0, -1, &monochrome);
        if (source.isNull()) return;
        const double top = fromBottom ? source.height() - ys - cys : ys;
        canvas_.Blit(QRectF(x, y, cx, cy), source, QRectF(xs, top, cxs, cys), rop, monochrome);
    } else if (type == kSetDiBitsToDevice) {
        const double x = p.S32(), y = p.S32(), xs = p.S32(), ys = p.S32(), cxs = p.S32(),
                     cys = p.S32();
        const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
        const ColourUsage usage = p.U32() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        const std::uint32_t startScan = p.U32(), scans = p.U32();
        if (cbBmi == 0) return;
        bool fromBottom = false;
        const QImage source = Dib(p, offBmi, cbBmi, offBits, cbBits, usage, &fromBottom,
                                  int(std::min<std::uint32_t>(startScan, INT32_MAX)),
                                  int(std::min<std::uint32_t>(scans, INT32_MAX)));
        if (source.isNull()) return;
        const double top = fromBottom ? source.height() - ys - cys : ys;
        canvas_.Blit(QRectF(x, y, cxs, cys), source, QRectF(xs, top, cxs, cys), kSrcCopy);
    }
}

// ALPHABLEND and TRANSPARENTBLT: a STRETCHBLT whose raster operation is replaced by a
// blend function or by the colour left out.
void EmfPlayer::PlayBlend(std::uint32_t type, ByteReader& p) {
    p.Skip(16);  // bounds
    const double x = p.S32(), y = p.S32(), cx = p.S32(), cy = p.S32();
    const std::uint32_t rule = p.U32();
    const double xs = p.S32(), ys = p.S32();
    p.Skip(24 + 4);  // source transform, background colour
    const ColourUsage usage = Usage(p.U32());
    const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
    const double cxs = p.S32(), cys = p.S32();
    if (cbBmi == 0) return;
    const QImage source = Dib(p, offBmi, cbBmi, offBits, cbBits, usage, nullptr);
    if (source.isNull()) return;
    const QRectF destination(x, y, cx, cy), sourceRect(xs, ys, cxs, cys);
    if (type == kTransparentBlt) {
        canvas_.TransparentBlit(destination, source, sourceRect, FromColorRef(rule));
        return;
    }
    // BLENDFUNCTION: operation, flags, constant alpha, alpha format (AC_SRC_ALPHA = 1).
    const int constantAlpha = int((rule >> 16) & 0xFF);
    const bool sourceAlpha = (rule >> 24) & 1;
    if (!sourceAlpha) {
        canvas_.AlphaBlend(destination, source, sourceRect, constantAlpha, false);
        return;
    }
    // AC_SRC_ALPHA asks for a 32-bit source; without one the pixels count as opaque.
    const auto withAlpha =
        WithAlphaChannel(source, p.Slice(offBmi, cbBmi), p.Slice(offBits, cbBits), usage);
    canvas_.AlphaBlend(destination, withAlpha ? *withAlpha : source, sourceRect, constantAlpha,
                       withAlpha.has_value());
}

QImage EmfPlayer::MaskDib(const ByteReader& record, std::uint32_t usage, std::uint32_t offBmi,
                          std::uint32_t cbBmi, std::uint32_t offBits, std::uint32_t cbBits) {
    if (cbBmi == 0) return QImage();
    return Dib(record, offBmi, cbBmi, offBits, cbBits, Usage(usage), nullptr);
}

// MASKBLT and PLGBLT: a source with a monochrome mask beside it.
void EmfPlayer::PlayMasked(std::uint32_t type, ByteReader& p) {
    p.Skip(16);  // bounds
    QRectF destination;
    std::array<QPointF, 3> corners;
    std::uint32_t rop4 = 0;
    double xs, ys, cxs = 0, cys = 0;
    if (type == kMaskBlt) {
        const double x = p.S32(), y = p.S32(), cx = p.S32(), cy = p.S32();
        destination = QRectF(x, y, cx, cy);
        rop4 = p.U32();
        xs = p.S32(), ys = p.S32();
        cxs = cx, cys = cy;
    } else {
        for (QPointF& corner : corners) corner = ReadPoint(p, false);
        xs = p.S32(), ys = p.S32(), cxs = p.S32(), cys = p.S32();
    }
    p.Skip(24 + 4);  // source transform, background colour
    const std::uint32_t usage = p.U32();
    const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
    const int xMask = p.S32(), yMask = p.S32();
    const std::uint32_t maskUsage = p.U32();
    const std::uint32_t offMask = p.U32(), cbMask = p.U32(), offMaskBits = p.U32(),
                        cbMaskBits = p.U32();
    const QImage source =
        cbBmi ? Dib(p, offBmi, cbBmi, offBits, cbBits, Usage(usage), nullptr) : QImage();
    const QImage mask = MaskDib(p, maskUsage, offMask, cbMask, offMaskBits, cbMaskBits);
    const QRectF sourceRect(xs, ys, cxs, cys);
    if (type == kMaskBlt)
        canvas_.MaskBlit(destination, source, sourceRect, mask, QPoint(xMask, yMask), rop4);
    else
        canvas_.ParallelogramBlit(corners, source, sourceRect, mask, QPoint(xMask, yMask));
}

void EmfPlayer::PolyDraw(ByteReader& p, bool small) {
    p.Skip(16);
    const std::uint32_t count = p.U32();
    const QPolygonF points = ReadPoints(p, count, small);
    const auto types = p.Bytes(count);
    QPointF figureStart = canvas_.Dc().position;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t t = types[i];
        switch (t & ~1u) {
        case 6:  // PT_MOVETO
            canvas_.MoveTo(points[i]);
            figureStart = points[i];
            break;
        case 2: canvas_.LineTo(points[i]); break;  // PT_LINETO
        case 4:                                     // PT_BEZIERTO
            if (i + 2 < count) {
                canvas_.PolyBezierTo(QPolygonF{points[i], points[i + 1], points[i + 2]});
                i += 2;
            }
            break;
        default: break;
        }
        if (t & 1) {  // PT_CLOSEFIGURE
            canvas_.LineTo(figureStart);
            canvas_.CloseFigure();
        }
    }
}

void EmfPlayer::Play(std::uint32_t type, ByteReader& p) {
    DcState& dc = canvas_.Dc();
    switch (type) {
    case kPolyBezier:
    case kPolygon:
    case kPolyline:
    case kPolyBezierTo:
    case kPolylineTo:
    case kPolyBezier16:
    case kPolygon16:
    case kPolyline16:
    case kPolyBezierTo16:
    case kPolylineTo16: {
        const bool small = type >= kPolyBezier16;
        p.Skip(16);
        const QPolygonF points = ReadPoints(p, p.U32(), small);
        switch (small ? type - kPolyBezier16 + kPolyBezier : type) {
        case kPolyBezier: canvas_.PolyBezier(points); break;
        case kPolygon: canvas_.Polygon(points); break;
        case kPolyline: canvas_.Polyline(points); break;
        case kPolyBezierTo: canvas_.PolyBezierTo(points); break;
        case kPolylineTo: canvas_.PolylineTo(points); break;
        }
        break;
    }
    case kPolyPolyline:
    case kPolyPolygon:
    case kPolyPolyline16:
    case kPolyPolygon16: {
        const bool small = type >= kPolyPolyline16;
        p.Skip(16);
        const std::uint32_t n = p.U32(), total = p.U32();
        if (std::uint64_t(n) * 4 > p.Remaining()) Damaged("a record holds fewer polygons than it claims");
        std::vector<std::uint32_t> counts(n);
        std::uint64_t sum = 0;
        for (auto& c : counts) sum += (c = p.U32());
        if (sum != total) Damaged("its polygon point counts do not add up");
        std::vector<QPolygonF> polygons;
        for (std::uint32_t c : counts) polygons.push_back(ReadPoints(p, c, small));
        if (type == kPolyPolygon || type == kPolyPolygon16)
            canvas_.PolyPolygon(polygons);
        else
            canvas_.PolyPolyline(polygons);
        break;
    }
    case kPolyDraw: PolyDraw(p, false); break;
    case kPolyDraw16: PolyDraw(p, true); break;

    case kSetWindowExtEx: {
        const double x = p.S32(), y = p.S32();
        if (x != 0 && y != 0) dc.windowExt = {x, y};
        break;
    }
    case kSetWindowOrgEx: dc.windowOrg = ReadPoint(p, false); break;
    case kSetViewportExtEx: {
        const double x = p.S32(), y = p.S32();
        if (x != 0 && y != 0) dc.viewportExt = {x, y};
        break;
    }
    case kSetViewportOrgEx: dc.viewportOrg = ReadPoint(p, false); break;
    case kScaleViewportExtEx:
    case kScaleWindowExtEx: {
        const double xNum = p.S32(), xDen = p.S32(), yNum = p.S32(), yDen = p.S32();
        if (xNum == 0 || xDen == 0 || yNum == 0 || yDen == 0) break;
        QPointF& ext = type == kScaleViewportExtEx ? dc.viewportExt : dc.windowExt;
        ext = {ext.x() * xNum / xDen, ext.y() * yNum / yDen};
        break;
    }
    case kSetMapMode:
        if (std::uint32_t m = p.U32(); m >= 1 && m <= 8) dc.mapMode = MapMode(m);
        break;
    case kSetWorldTransform: dc.world = ReadXForm(p); break;
    case kModifyWorldTransform: {
        const QTransform x = ReadXForm(p);
        switch (p.U32()) {
        case 1: dc.world = QTransform(); break;
        case 2: dc.world = x * dc.world; break;  // the new transform acts first
        case 3: dc.world = dc.world * x; break;
        case 4: dc.world = x; break;
        default: break;
        }
        break;
    }
    case kSetBkMode: dc.opaqueBackground = p.U32() == 2; break;
    case kSetPolyFillMode: dc.winding = p.U32() == 2; break;
    case kSetRop2: dc.rop2 = int(p.U32() & 0xFF); break;
    case kSetTextAlign: dc.textAlign = p.U32(); break;
    case kSetTextColor: dc.textColour = FromColorRef(p.U32()); break;
    case kSetBkColor: dc.bkColour = FromColorRef(p.U32()); break;
    case kSetArcDirection: dc.clockwiseArcs = p.U32() == 2; break;
    case kSaveDc: canvas_.Save(); break;
    case kRestoreDc: canvas_.Restore(p.S32()); break;

    case kMoveToEx: canvas_.MoveTo(ReadPoint(p, false)); break;
    case kLineTo: canvas_.LineTo(ReadPoint(p, false)); break;
    case kSetPixelV: {
        const QPointF at = ReadPoint(p, false);
        canvas_.SetPixel(at, FromColorRef(p.U32()));
        break;
    }
    case kEllipse: canvas_.Ellipse(ReadRect(p)); break;
    case kRectangle: canvas_.Rectangle(ReadRect(p)); break;
    case kRoundRect: {
        const QRectF box = ReadRect(p);
        const double w = p.S32(), h = p.S32();
        canvas_.RoundRect(box, QSizeF(w, h));
        break;
    }
    case kArc:
    case kArcTo:
    case kChord:
    case kPie: {
        const QRectF box = ReadRect(p);
        const QPointF start = ReadPoint(p, false), end = ReadPoint(p, false);
        const ArcKind kind = type == kArc     ? ArcKind::kArc
                             : type == kArcTo ? ArcKind::kArcTo
                             : type == kChord ? ArcKind::kChord
                                              : ArcKind::kPie;
        canvas_.Arc(kind, box, start, end);
        break;
    }
    case kAngleArc: {
        const QPointF c = ReadPoint(p, false);
        const double radius = p.U32(), start = p.F32(), sweep = p.F32();
        if (!std::isfinite(start) || !std::isfinite(sweep) || sweep == 0) break;
        const double a0 = start * M_PI / 180, a1 = (start + sweep) * M_PI / 180;
        const QRectF box(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
        const QPointF s(c.x() + radius * std::cos(a0), c.y() - radius * std::sin(a0));
        const QPointF e(c.x() + radius * std::cos(a1), c.y() - radius * std::sin(a1));
        const bool clockwise = dc.clockwiseArcs;
        dc.clockwiseArcs = sweep < 0;
        canvas_.Arc(ArcKind::kArcTo, box, s, e);
        dc.clockwiseArcs = clockwise;
        break;
    }

    case kBeginPath: canvas_.BeginPath(); break;
    case kEndPath: canvas_.EndPath(); break;
    case kAbortPath: canvas_.AbortPath(); break;
    case kCloseFigure: canvas_.CloseFigure(); break;
    case kFillPath: canvas_.FillPath(); break;
    case kStrokePath: canvas_.StrokePath(); break;
    case kStrokeAndFillPath: canvas_.StrokeAndFillPath(); break;
    case kSelectClipPath: canvas_.SelectClipPath(int(p.U32())); break;
    case kIntersectClipRect: canvas_.IntersectClipRect(ReadRect(p)); break;
    case kExcludeClipRect: canvas_.ExcludeClipRect(ReadRect(p)); break;
    case kExtSelectClipRgn: {
        const std::uint32_t size = p.U32(), mode = p.U32();
        std::vector<QRectF> rects;
        if (size >= 32) {
            ByteReader region(p.Bytes(size));
            region.Skip(8);
            const std::uint32_t count = region.U32();
            region.Skip(4 + 16);
            if (std::uint64_t(count) * 16 > region.Remaining())
                Damaged("a clipping region holds fewer rectangles than it claims");
            for (std::uint32_t i = 0; i < count; ++i) rects.push_back(ReadRect(region));
        }
        canvas_.SelectClipRects(rects, int(mode));
        break;
    }

    case kSelectObject:
    case kSelectPalette: Select(p.U32()); break;
    case kDeleteObject: {
        const std::uint32_t index = p.U32();
        if (!(index & 0x80000000u)) objects_.Delete(index);
        break;
    }
    case kCreatePen: {
        const std::uint32_t index = p.U32();
        Pen pen;
        pen.style = p.U32();
        pen.width = std::abs(double(p.S32()));
        p.S32();
        pen.colour = FromColorRef(p.U32());
        CreateAt(index, pen);
        break;
    }
    case kExtCreatePen: {
        const std::uint32_t index = p.U32();
        p.Skip(16);  // pattern bitmap offsets
        Pen pen;
        pen.style = p.U32();
        pen.width = p.U32();
        const std::uint32_t brushStyle = p.U32();
        pen.colour = FromColorRef(p.U32());
        if (!(pen.style & 0x000F0000)) pen.width = 0;  // cosmetic: one pixel
        if (pen.style & 0x000F0000 && pen.width > 1e6) pen.width = 1e6;
        if (brushStyle == 1) pen.style = (pen.style & ~0xFu) | 5;  // hollow brush: no line
        CreateAt(index, pen);
        break;
    }
    case kCreateBrushIndirect: {
        const std::uint32_t index = p.U32();
        Brush brush;
        const std::uint32_t style = p.U32();
        brush.colour = FromColorRef(p.U32());
        brush.hatch = int(p.U32() & 7);
        brush.kind = style == 1   ? Brush::Kind::kNull
                     : style == 2 ? Brush::Kind::kHatched
                                  : Brush::Kind::kSolid;
        CreateAt(index, brush);
        break;
    }
    case kCreateDibPatternBrushPt:
    case kCreateMonoBrush: {
        const std::uint32_t index = p.U32();
        const ColourUsage usage = p.U32() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        const std::uint32_t offBmi = p.U32(), cbBmi = p.U32(), offBits = p.U32(), cbBits = p.U32();
        Brush brush;
        QImage pattern = Dib(p, offBmi, cbBmi, offBits, cbBits, usage, nullptr);
        if (type == kCreateMonoBrush && !pattern.isNull()) {
            // Monochrome brushes take the text colour for 0 bits and the background for 1.
            pattern = pattern.convertToFormat(QImage::Format_RGB32);
            const QRgb zero = pattern.pixel(0, 0);
            for (int y = 0; y < pattern.height(); ++y)
                for (int x = 0; x < pattern.width(); ++x)
                    pattern.setPixel(x, y, pattern.pixel(x, y) == zero && qGray(zero) < 128
                                               ? dc.textColour
                                               : dc.bkColour);
        }
        if (!pattern.isNull()) {
            brush.kind = Brush::Kind::kPattern;
            brush.pattern = pattern.convertToFormat(QImage::Format_RGB32);
        }
        CreateAt(index, brush);
        break;
    }
    case kExtCreateFontIndirectW: {
        const std::uint32_t index = p.U32();
        Font font;
        font.height = p.S32();
        font.width = std::abs(double(p.S32()));
        font.escapement = p.S32();
        p.S32();
        font.weight = p.S32();
        font.italic = p.U8();
        font.underline = p.U8();
        font.strikeOut = p.U8();
        p.Skip(5);
        QString face;
        for (int i = 0; i < 32 && p.Remaining() >= 2; ++i) {
            const char16_t c = p.U16();
            if (!c) break;
            face.append(QChar(c));
        }
        font.face = face;
        CreateAt(index, font);
        break;
    }
    case kCreatePalette: {
        const std::uint32_t index = p.U32();
        p.U16();
        const int n = p.U16();
        Palette palette;
        for (int i = 0; i < n; ++i) {
            const int r = p.U8(), g = p.U8(), b = p.U8();
            p.U8();
            palette.colours.push_back(qRgb(r, g, b));
        }
        CreateAt(index, palette);
        break;
    }

    case kExtTextOutA:
    case kExtTextOutW: {
        const std::size_t base = 0;
        p.Skip(16 + 4 + 8);  // bounds, graphics mode, scales
        const QPointF at = ReadPoint(p, false);
        const std::uint32_t chars = p.U32(), offString = p.U32(), options = p.U32();
        const QRectF rect = ReadRect(p);
        const std::uint32_t offDx = p.U32();
        if (chars > 1000000) Damaged("a text claims " + std::to_string(chars) + " characters");
        QString text;
        const bool wide = type == kExtTextOutW;
        const auto bytes = p.Slice(base + offString, std::size_t(chars) * (wide ? 2 : 1));
        for (std::uint32_t i = 0; i < chars; ++i)
            text.append(wide ? QChar(char16_t(bytes[2 * i] | bytes[2 * i + 1] << 8))
                             : QChar(char16_t(bytes[i])));
        std::vector<double> dx;
        const std::size_t step = (options & 0x2000) ? 8 : 4;  // ETO_PDY: x and y pairs
        if (offDx && offDx <= p.Size() && std::uint64_t(chars) * step <= p.Size() - offDx) {
            ByteReader d(p.Slice(offDx, std::size_t(chars) * step));
            for (std::uint32_t i = 0; i < chars; ++i) {
                dx.push_back(d.S32());
                if (step == 8) d.S32();
            }
        }
        const bool useRect = (options & 0x0006) && !(options & 0x0100);
        canvas_.Text(at, text, dx, options, useRect ? std::optional<QRectF>(rect) : std::nullopt);
        break;
    }

    case kBitBlt:
    case kStretchBlt:
    case kStretchDiBits:
    case kSetDiBitsToDevice: PlayBitmap(type, p); break;
    case kAlphaBlend:
    case kTransparentBlt: PlayBlend(type, p); break;
    case kMaskBlt:
    case kPlgBlt: PlayMasked(type, p); break;
    default: break;  // records without an effect on the picture, or not played
    }
}

}  // namespace

TBitmap32 DecodeEmf(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes);
    if (bytes.size() < 88) throw PictureError("The file is too short to be an enhanced metafile");
    const std::uint32_t type = r.U32(), headerSize = r.U32();
    r.Skip(16);  // bounds
    const std::int32_t fl = r.S32(), ft = r.S32(), fr = r.S32(), fb = r.S32();
    const std::uint32_t signature = r.U32();
    if (type != kHeader || signature != kSignature)
        throw PictureError("The file is not an enhanced metafile (its header is not recognised)");
    if (headerSize < 88 || headerSize > bytes.size())
        Damaged("its header claims " + std::to_string(headerSize) + " bytes");
    r.U32();  // version
    r.U32();  // bytes
    r.U32();  // records
    const std::uint16_t handles = r.U16();
    r.U16();
    const std::uint32_t nDescription = r.U32(), offDescription = r.U32();
    r.U32();  // palette entries
    const std::int32_t devX = r.S32(), devY = r.S32(), mmX = r.S32(), mmY = r.S32();
    double ppmmX = mmX > 0 && devX > 0 ? double(devX) / mmX : 96 / 25.4;
    double ppmmY = mmY > 0 && devY > 0 ? double(devY) / mmY : 96 / 25.4;
    if (headerSize >= 108 && (nDescription == 0 || offDescription >= 108)) {
        r.Seek(100);
        const std::int32_t umX = r.S32(), umY = r.S32();
        if (umX > 0 && umY > 0 && devX > 0 && devY > 0)
            ppmmX = devX * 1000.0 / umX, ppmmY = devY * 1000.0 / umY;
    }

    // The frame, in 0.01 mm, gives the picture's size at 96 dpi.
    const double frameW = double(fr) - fl, frameH = double(fb) - ft;
    const double w = std::nearbyint(std::abs(frameW) * 96 / 2540);
    const double h = std::nearbyint(std::abs(frameH) * 96 / 2540);
    if (w <= 0 || h <= 0) throw PictureError("The metafile declares no picture size");
    CheckMetafileSize(std::int64_t(w), std::int64_t(h), "picture");
    CheckMetafileCanvas("EMF", std::int64_t(w), std::int64_t(h), bytes.size());

    MetafileCanvas canvas(int(w), int(h), MetafileCanvas::Mapping::kDeviceContext, "EMF", bytes.size());
    canvas.SetPixelsPerMm(ppmmX, ppmmY);
    // Reference-device pixels of the frame onto the output picture.
    const double left = fl / 100.0 * ppmmX, top = ft / 100.0 * ppmmY;
    const double sx = w / (frameW / 100.0 * ppmmX), sy = h / (frameH / 100.0 * ppmmY);
    canvas.SetDeviceToOutput(QTransform(sx, 0, 0, sy, -left * sx, -top * sy));

    EmfPlayer player(canvas, handles);
    std::size_t at = headerSize;
    while (bytes.size() - at >= 8) {
        ByteReader head(bytes.subspan(at, 8));
        const std::uint32_t recordType = head.U32(), size = head.U32();
        if (size < 8)
            Damaged("the record at byte " + std::to_string(at) + " has an impossible size of " +
                    std::to_string(size) + " bytes");
        if (size > bytes.size() - at)
            Damaged("the record at byte " + std::to_string(at) + " claims " + std::to_string(size) +
                    " bytes, but only " + std::to_string(bytes.size() - at) + " remain");
        if (recordType == kEof) break;
        ByteReader record(bytes.subspan(at, size));
        record.Seek(8);
        player.Play(recordType, record);
        at += size;
    }
    return canvas.TakePicture();
}

}  // namespace brimlet
