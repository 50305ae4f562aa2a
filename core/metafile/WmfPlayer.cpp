// Plays placeable and plain Windows metafiles (WMF) onto a white bitmap.
#include "core/codecs/Decoders.h"
#include "core/codecs/PictureFiles.h"
#include "core/metafile/ByteReader.h"
#include "core/metafile/Dib.h"
#include "core/metafile/Metafile.h"
#include "core/metafile/MetafileCanvas.h"
#include "core/metafile/ObjectTable.h"
#include "core/metafile/WmfRecords.h"

#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace brimlet {
namespace {

using namespace metafile;

struct Record {
    std::uint16_t function = 0;
    std::size_t offset = 0;               // of the record in the file
    std::span<const std::uint8_t> params;  // after size and function
};

// Walks the records after the header; stops at the end record or the end of the data.
template <typename Visit>
void ForEachRecord(std::span<const std::uint8_t> file, std::size_t start, Visit&& visit) {
    ByteReader r(file);
    r.Seek(start);
    while (r.Remaining() >= 6) {
        const std::size_t offset = r.Position();
        const std::uint32_t words = r.U32();
        const std::uint16_t function = r.U16();
        if (words < 3)
            throw PictureError("The metafile is damaged: the record at byte " +
                               std::to_string(offset) + " has an impossible size of " +
                               std::to_string(words) + " words");
        const std::uint64_t bytes = std::uint64_t(words) * 2;
        if (bytes > file.size() - offset)
            throw PictureError("The metafile is damaged: the record at byte " +
                               std::to_string(offset) + " claims " + std::to_string(bytes) +
                               " bytes, but only " + std::to_string(file.size() - offset) +
                               " remain");
        if (function == wmf::kEof) return;
        Record record{function, offset, file.subspan(offset + 6, std::size_t(bytes) - 6)};
        visit(record);
        r.Seek(offset + std::size_t(bytes));
    }
}

bool HasBitmap(const Record& rec, std::uint16_t function) {
    // The bitmap-less forms are exactly (function >> 8) + 3 words long.
    return rec.params.size() + 6 != std::size_t((function >> 8) + 3) * 2;
}

// Destination rectangle (x, y, width, height) of a bitmap record, logical units.
std::optional<QRectF> BitmapDestination(const Record& rec) {
    ByteReader p(rec.params);
    std::int16_t h, w, y, x;
    switch (rec.function) {
    case wmf::kStretchDib:
        p.Skip(4 + 2 + 8);
        h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
        break;
    case wmf::kDibStretchBlt:
    case wmf::kStretchBlt:
        p.Skip(4 + 8 + (HasBitmap(rec, rec.function) ? 0 : 2));
        h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
        break;
    case wmf::kDibBitBlt:
    case wmf::kBitBlt:
        p.Skip(4 + 4 + (HasBitmap(rec, rec.function) ? 0 : 2));
        h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
        break;
    case wmf::kSetDibToDev:
        p.Skip(2 + 2 + 2 + 4);
        h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
        break;
    default: return std::nullopt;
    }
    return QRectF(x, y, w, h);
}

QPolygonF ReadPoints(ByteReader& p, std::int64_t count) {
    if (count < 0 || std::uint64_t(count) * 4 > p.Remaining())
        throw PictureError("The metafile is damaged: a record holds fewer points than it claims");
    QPolygonF points;
    points.reserve(qsizetype(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const double x = p.S16(), y = p.S16();
        points << QPointF(x, y);
    }
    return points;
}

// Bottom, right, top, left, as WMF records store a box.
QRectF ReadBox(ByteReader& p) {
    const double bottom = p.S16(), right = p.S16(), top = p.S16(), left = p.S16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QString Text8(std::span<const std::uint8_t> bytes) {
    // Windows code page 1252 is the common case; QStringDecoder knows it as "windows-1252".
    QStringDecoder decode("windows-1252");
    if (!decode.isValid()) return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    return decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// The Region object of CREATEREGION: a header, a bounding box, then scans, each a band of
// rows (top, bottom) with pairs of left and right edges, in logical units. The scans alone
// define the area, as the system builds it; the bounding box is not needed.
Region ReadRegion(std::span<const std::uint8_t> params) {
    Region region;
    try {
        ByteReader p(params);
        p.Skip(2 + 2 + 4 + 2);  // next in chain, object type, object count, region size
        const int scans = p.U16();
        p.Skip(2 + 8);  // largest scan, bounding box
        for (int i = 0; i < scans && !region.damaged; ++i) {
            const int count = p.U16();
            const double top = p.S16(), bottom = p.S16();
            region.damaged = count & 1;  // edges come in pairs
            for (int k = 0; k < count / 2; ++k) {
                const double left = p.S16(), right = p.S16();
                if (left < right && top < bottom)
                    region.rects.emplace_back(QPointF(left, top), QPointF(right, bottom));
            }
            p.U16();  // the count again
        }
    } catch (const PictureError&) {
        region.damaged = true;
    }
    if (region.damaged) region.rects.clear();
    return region;
}

class WmfPlayer {
public:
    WmfPlayer(MetafileCanvas& canvas, std::size_t objects)
        : canvas_(canvas), objects_(objects, 65535) {}

    void Play(const Record& rec);

private:
    void PlayBitmap(const Record& rec);
    void PlayRegion(const Record& rec);
    Brush PatternBrush(std::span<const std::uint8_t> dib, ColourUsage usage);
    // The object in a slot, or nullptr for a slot beyond the table.
    const GdiObject* Find(std::uint16_t index);

    MetafileCanvas& canvas_;
    ObjectTable objects_;
};

Brush WmfPlayer::PatternBrush(std::span<const std::uint8_t> dib, ColourUsage usage) {
    Brush brush;
    brush.kind = Brush::Kind::kPattern;
    QImage pattern = DecodePackedDib(dib, usage, canvas_.Dc().palette);
    if (!pattern.isNull()) brush.pattern = pattern.convertToFormat(QImage::Format_RGB32);
    else brush.kind = Brush::Kind::kSolid;
    brush.colour = kBlack;
    return brush;
}

namespace {

// A point as the window and viewport records store it: y first, then x.
QPointF ReadXY(ByteReader& p) {
    const double y = p.S16(), x = p.S16();
    return {x, y};
}

// An extent with a zero side would make the mapping degenerate: such a record is ignored.
void SetExtent(QPointF extent, QPointF& target) {
    if (extent.x() != 0 && extent.y() != 0) target = extent;
}

// SCALEWINDOWEXT and SCALEVIEWPORTEXT: y denominator, y numerator, x denominator, x numerator.
void ScaleExtent(ByteReader& p, QPointF& extent) {
    const double yDen = p.S16(), yNum = p.S16(), xDen = p.S16(), xNum = p.S16();
    if (xDen != 0 && yDen != 0 && xNum != 0 && yNum != 0)
        extent = {extent.x() * xNum / xDen, extent.y() * yNum / yDen};
}

}  // namespace

void WmfPlayer::Play(const Record& rec) {
    DcState& dc = canvas_.Dc();
    ByteReader p(rec.params);
    switch (rec.function) {
    case wmf::kSetWindowOrg: dc.windowOrg = ReadXY(p); break;
    case wmf::kSetWindowExt: SetExtent(ReadXY(p), dc.windowExt); break;
    case wmf::kOffsetWindowOrg: dc.windowOrg += ReadXY(p); break;
    case wmf::kScaleWindowExt: ScaleExtent(p, dc.windowExt); break;
    case wmf::kSetViewportOrg: dc.viewportOrg = ReadXY(p); break;
    case wmf::kSetViewportExt: SetExtent(ReadXY(p), dc.viewportExt); break;
    case wmf::kOffsetViewportOrg: dc.viewportOrg += ReadXY(p); break;
    case wmf::kScaleViewportExt: ScaleExtent(p, dc.viewportExt); break;
    case wmf::kSetMapMode:
        if (int m = p.U16(); m >= 1 && m <= 8) dc.mapMode = MapMode(m);
        break;
    case wmf::kSetBkColor: dc.bkColour = FromColorRef(p.U32()); break;
    case wmf::kSetTextColor: dc.textColour = FromColorRef(p.U32()); break;
    case wmf::kSetBkMode: dc.opaqueBackground = p.U16() == 2; break;
    case wmf::kSetPolyFillMode: dc.winding = p.U16() == 2; break;
    case wmf::kSetRop2: dc.rop2 = p.U16(); break;
    case wmf::kSetTextAlign: dc.textAlign = p.U16(); break;
    case wmf::kSetTextCharExtra: dc.charExtra = p.S16(); break;
    case wmf::kSaveDc: canvas_.Save(); break;
    case wmf::kRestoreDc: canvas_.Restore(p.S16()); break;

    case wmf::kMoveTo: {
        const double y = p.S16(), x = p.S16();
        canvas_.MoveTo({x, y});
        break;
    }
    case wmf::kLineTo: {
        const double y = p.S16(), x = p.S16();
        canvas_.LineTo({x, y});
        break;
    }
    case wmf::kPolyline: canvas_.Polyline(ReadPoints(p, p.S16())); break;
    case wmf::kPolygon: canvas_.Polygon(ReadPoints(p, p.S16())); break;
    case wmf::kPolyPolygon: {
        const int n = p.U16();
        std::vector<int> counts;
        for (int i = 0; i < n; ++i) counts.push_back(p.U16());
        std::vector<QPolygonF> polygons;
        for (int count : counts) polygons.push_back(ReadPoints(p, count));
        canvas_.PolyPolygon(polygons);
        break;
    }
    case wmf::kRectangle: canvas_.Rectangle(ReadBox(p)); break;
    case wmf::kEllipse: canvas_.Ellipse(ReadBox(p)); break;
    case wmf::kRoundRect: {
        const double h = p.S16(), w = p.S16();
        canvas_.RoundRect(ReadBox(p), QSizeF(w, h));
        break;
    }
    case wmf::kArc:
    case wmf::kPie:
    case wmf::kChord: {
        const double ye = p.S16(), xe = p.S16(), ys = p.S16(), xs = p.S16();
        const QRectF box = ReadBox(p);
        const ArcKind kind = rec.function == wmf::kArc   ? ArcKind::kArc
                             : rec.function == wmf::kPie ? ArcKind::kPie
                                                         : ArcKind::kChord;
        canvas_.Arc(kind, box, {xs, ys}, {xe, ye});
        break;
    }
    case wmf::kSetPixel: {
        const QRgb colour = FromColorRef(p.U32());
        const double y = p.S16(), x = p.S16();
        canvas_.SetPixel({x, y}, colour);
        break;
    }
    case wmf::kTextOut: {
        const int length = p.S16();
        if (length < 0) throw PictureError("The metafile is damaged: a text has a negative length");
        const auto bytes = p.Bytes(std::size_t(length));
        if (length & 1) p.Skip(1);
        const double y = p.S16(), x = p.S16();
        canvas_.Text({x, y}, Text8(bytes), {}, 0, std::nullopt);
        break;
    }
    case wmf::kExtTextOut: {
        const double y = p.S16(), x = p.S16();
        const int length = p.S16();
        const std::uint16_t options = p.U16();
        if (length < 0) throw PictureError("The metafile is damaged: a text has a negative length");
        std::optional<QRectF> rect;
        if (options & 0x0006) {
            const double l = p.S16(), t = p.S16(), r = p.S16(), b = p.S16();
            rect = QRectF(QPointF(l, t), QPointF(r, b));
        }
        const auto bytes = p.Bytes(std::size_t(length));
        if ((length & 1) && p.Remaining()) p.Skip(1);
        std::vector<double> dx;
        if (p.Remaining() >= std::size_t(length) * 2)
            for (int i = 0; i < length; ++i) dx.push_back(p.S16());
        canvas_.Text({x, y}, Text8(bytes), dx, options, rect);
        break;
    }

    case wmf::kCreatePenIndirect: {
        Pen pen;
        pen.style = p.U16();
        pen.width = std::abs(double(p.S16()));
        p.S16();
        pen.colour = FromColorRef(p.U32());
        objects_.AddToFreeSlot(pen);
        break;
    }
    case wmf::kCreateBrushIndirect: {
        Brush brush;
        const int style = p.U16();
        brush.colour = FromColorRef(p.U32());
        brush.hatch = p.U16();
        brush.kind = style == 1   ? Brush::Kind::kNull
                     : style == 2 ? Brush::Kind::kHatched
                                  : Brush::Kind::kSolid;
        objects_.AddToFreeSlot(brush);
        break;
    }
    case wmf::kCreateFontIndirect: {
        Font font;
        font.height = p.S16();
        font.width = std::abs(double(p.S16()));
        font.escapement = p.S16();
        p.S16();  // orientation
        font.weight = p.S16();
        font.italic = p.U8();
        font.underline = p.U8();
        font.strikeOut = p.U8();
        p.Skip(5);  // character set, precisions, quality, pitch and family
        std::string face;
        while (p.Remaining() && face.size() < 32) {
            const char c = char(p.U8());
            if (!c) break;
            face.push_back(c);
        }
        font.face = QString::fromLatin1(face.data(), qsizetype(face.size()));
        objects_.AddToFreeSlot(font);
        break;
    }
    case wmf::kDibCreatePatternBrush: {
        p.U16();  // style: the target is a DIB either way
        const ColourUsage usage = p.U16() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        objects_.AddToFreeSlot(PatternBrush(p.Rest(), usage));
        break;
    }
    case wmf::kCreatePatternBrush: {
        // A Bitmap16 header, 18 reserved bytes, then the bits.
        auto header = p.Bytes(10);
        p.Skip(18);
        std::vector<std::uint8_t> bitmap(header.begin(), header.end());
        auto bits = p.Rest();
        bitmap.insert(bitmap.end(), bits.begin(), bits.end());
        Brush brush;
        brush.kind = Brush::Kind::kPattern;
        QImage pattern = DecodeBitmap16(bitmap, kBlack, kWhite);
        if (pattern.isNull()) brush.kind = Brush::Kind::kSolid, brush.colour = kBlack;
        else brush.pattern = pattern.convertToFormat(QImage::Format_RGB32);
        objects_.AddToFreeSlot(brush);
        break;
    }
    case wmf::kCreatePalette: {
        p.U16();  // start
        const int n = p.U16();
        Palette palette;
        for (int i = 0; i < n; ++i) {
            const int r = p.U8(), g = p.U8(), b = p.U8();
            p.U8();
            palette.colours.push_back(qRgb(r, g, b));
        }
        objects_.AddToFreeSlot(palette);
        break;
    }
    case wmf::kCreateRegion: objects_.AddToFreeSlot(ReadRegion(rec.params)); break;
    case wmf::kSelectObject:
    case wmf::kSelectPalette: {
        const std::uint16_t index = p.U16();
        objects_.Select(index, dc);
        // Selecting a region into a device context makes it the clipping region.
        if (const auto* region = std::get_if<Region>(&objects_.At(index));
            region && !region->damaged && rec.function == wmf::kSelectObject)
            canvas_.SelectClipRegion(region->rects);
        break;
    }
    case wmf::kDeleteObject: objects_.Delete(p.U16()); break;
    case wmf::kSelectClipRegion:
    case wmf::kFillRegion:
    case wmf::kFrameRegion:
    case wmf::kInvertRegion:
    case wmf::kPaintRegion: PlayRegion(rec); break;
    case wmf::kOffsetClipRgn: {
        const double y = p.S16(), x = p.S16();
        canvas_.OffsetClip({x, y});
        break;
    }
    case wmf::kIntersectClipRect: canvas_.IntersectClipRect(ReadBox(p)); break;
    case wmf::kExcludeClipRect: canvas_.ExcludeClipRect(ReadBox(p)); break;

    case wmf::kPatBlt: {
        const std::uint32_t rop = p.U32();
        const double h = p.S16(), w = p.S16(), y = p.S16(), x = p.S16();
        canvas_.Blit(QRectF(x, y, w, h), QImage(), QRectF(), rop);
        break;
    }
    case wmf::kStretchDib:
    case wmf::kDibStretchBlt:
    case wmf::kDibBitBlt:
    case wmf::kStretchBlt:
    case wmf::kBitBlt:
    case wmf::kSetDibToDev: PlayBitmap(rec); break;
    default: break;  // records without an effect on the picture, or not played
    }
}

const GdiObject* WmfPlayer::Find(std::uint16_t index) {
    try {
        return &objects_.At(index);
    } catch (const PictureError&) {
        return nullptr;
    }
}

void WmfPlayer::PlayRegion(const Record& rec) {
    ByteReader p(rec.params);
    const std::uint16_t index = p.U16();
    const GdiObject* object = Find(index);
    const Region* region = object ? std::get_if<Region>(object) : nullptr;
    if (region && region->damaged) region = nullptr;
    if (rec.function == wmf::kSelectClipRegion) {
        // Selecting something other than a readable region (slot 0 stands for none in some
        // writers' files) lifts the clipping; a slot beyond the table is damage.
        if (!object && index) objects_.At(index);
        if (region)
            canvas_.SelectClipRegion(region->rects);
        else
            canvas_.ResetClip();
        return;
    }
    if (!region) return;
    switch (rec.function) {
    case wmf::kPaintRegion: canvas_.FillRegion(region->rects, canvas_.Dc().brush); break;
    case wmf::kInvertRegion: canvas_.InvertRegion(region->rects); break;
    case wmf::kFillRegion:
    case wmf::kFrameRegion: {
        const GdiObject* brushObject = Find(p.U16());
        const auto* brush = brushObject ? std::get_if<Brush>(brushObject) : nullptr;
        if (!brush) break;
        if (rec.function == wmf::kFillRegion) {
            canvas_.FillRegion(region->rects, *brush);
        } else {
            const double height = p.S16(), width = p.S16();
            canvas_.FrameRegion(region->rects, *brush, QSizeF(width, height));
        }
        break;
    }
    default: break;
    }
}

void WmfPlayer::PlayBitmap(const Record& rec) {
    const DcState& dc = canvas_.Dc();
    ByteReader p(rec.params);
    const bool withBitmap = rec.function == wmf::kStretchDib || rec.function == wmf::kSetDibToDev ||
                            HasBitmap(rec, rec.function);
    const QRectF destination = *BitmapDestination(rec);
    std::uint32_t rop = wmf::kSrcCopy;
    double sx = 0, sy = 0, sw = 0, sh = 0;
    bool bottomUpSource = false;  // DIB functions count the source y from the bottom
    ColourUsage usage = ColourUsage::kRgb;
    int firstScan = 0, scans = -1;
    switch (rec.function) {
    case wmf::kStretchDib:
        rop = p.U32();
        usage = p.U16() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        sh = p.S16(), sw = p.S16(), sy = p.S16(), sx = p.S16();
        p.Skip(8);
        bottomUpSource = true;
        break;
    case wmf::kDibStretchBlt:
    case wmf::kStretchBlt:
        rop = p.U32();
        sh = p.S16(), sw = p.S16(), sy = p.S16(), sx = p.S16();
        p.Skip(withBitmap ? 8 : 10);
        break;
    case wmf::kDibBitBlt:
    case wmf::kBitBlt:
        rop = p.U32();
        sy = p.S16(), sx = p.S16();
        p.Skip(withBitmap ? 8 : 10);
        sw = destination.width(), sh = destination.height();
        break;
    case wmf::kSetDibToDev:
        usage = p.U16() == 1 ? ColourUsage::kPalette : ColourUsage::kRgb;
        scans = p.U16();
        firstScan = p.U16();
        sy = p.S16(), sx = p.S16();
        sh = p.S16(), sw = p.S16();
        p.Skip(4);
        bottomUpSource = true;
        break;
    default: return;
    }
    if (!withBitmap) {
        canvas_.Blit(destination, QImage(), QRectF(), rop);
        return;
    }
    QImage source;
    bool fromBottom = false, monochrome = false;
    if (rec.function == wmf::kBitBlt || rec.function == wmf::kStretchBlt) {
        const auto bitmap = p.Rest();
        monochrome = bitmap.size() > 9 && bitmap[9] == 1;  // bits per pixel
        source = DecodeBitmap16(bitmap, dc.textColour, dc.bkColour);
    } else {
        const auto dib = p.Rest();
        const DibInfo info = ReadDibInfo(dib, usage);
        monochrome = info.bitCount == 1;
        if (rec.function == wmf::kSetDibToDev)
            source = DecodeDib(dib, dib.subspan(std::min(dib.size(), info.headerAndColourBytes)),
                               usage, dc.palette, firstScan, scans);
        else
            source = DecodePackedDib(dib, usage, dc.palette);
        fromBottom = bottomUpSource && !info.topDown && info.compression != 4 && info.compression != 5;
    }
    if (source.isNull()) return;
    if (fromBottom) sy = source.height() - sy - sh;
    canvas_.Blit(destination, source, QRectF(sx, sy, sw, sh), rop, monochrome);
}

}  // namespace

TBitmap32 DecodeWmf(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes);
    if (bytes.size() < 18) throw PictureError("The file is too short to be a Windows metafile");
    std::size_t start = 0;
    std::optional<QRectF> bbox;
    int width = 0, height = 0;
    if (r.U32() == wmf::kPlaceableKey) {
        r.U16();  // handle
        const double left = r.S16(), top = r.S16(), right = r.S16(), bottom = r.S16();
        const int inch = r.U16();
        r.Skip(4 + 2);  // reserved, checksum (not relied upon: writers get it wrong)
        if (inch == 0)
            throw PictureError("The metafile's placeable header gives 0 units per inch");
        bbox = QRectF(QPointF(left, top), QPointF(right, bottom));
        width = int(std::nearbyint(std::abs(right - left) * 96 / inch));
        height = int(std::nearbyint(std::abs(bottom - top) * 96 / inch));
        start = 22;
    }
    r.Seek(start);
    const std::uint16_t type = r.U16(), headerWords = r.U16();
    r.U16();  // version
    r.U32();  // size
    const std::uint16_t objects = r.U16();
    if ((type != 1 && type != 2) || headerWords != 9)
        throw PictureError("The file is not a Windows metafile (its header is not recognised)");
    start += 18;

    std::optional<QPointF> windowExt;
    std::optional<QRectF> bitmapBounds;
    if (!bbox) {
        // A plain metafile's size is its window extent, or failing that the area its
        // bitmaps cover.
        ForEachRecord(bytes, start, [&](const Record& rec) {
            if (rec.function == wmf::kSetWindowExt && !windowExt && rec.params.size() >= 4) {
                ByteReader p(rec.params);
                const double y = p.S16(), x = p.S16();
                if (x != 0 && y != 0) windowExt = QPointF(x, y);
            } else if (const auto d = BitmapDestination(rec)) {
                bitmapBounds = bitmapBounds ? bitmapBounds->united(d->normalized()) : d->normalized();
            }
        });
        if (windowExt) {
            width = int(std::abs(windowExt->x()));
            height = int(std::abs(windowExt->y()));
        } else if (bitmapBounds) {
            width = int(bitmapBounds->width());
            height = int(bitmapBounds->height());
        }
    }
    if (width <= 0 || height <= 0)
        throw PictureError("The metafile declares no picture size");
    CheckMetafileSize(width, height, "picture");
    CheckMetafileCanvas("WMF", width, height, bytes.size());

    MetafileCanvas canvas(width, height, MetafileCanvas::Mapping::kWindowToOutput, "WMF", bytes.size());
    DcState& dc = canvas.Dc();
    if (bbox) {
        dc.windowOrg = bbox->topLeft();
        dc.windowExt = {bbox->width(), bbox->height()};
    } else if (windowExt) {
        dc.windowExt = *windowExt;
    } else {
        dc.windowOrg = bitmapBounds->topLeft();
        dc.windowExt = {bitmapBounds->width(), bitmapBounds->height()};
    }
    canvas.SetFrame(QRectF(dc.windowOrg, QSizeF(dc.windowExt.x(), dc.windowExt.y())));
    WmfPlayer player(canvas, objects);
    ForEachRecord(bytes, start, [&](const Record& rec) { player.Play(rec); });
    return canvas.TakePicture();
}

}  // namespace brimlet
