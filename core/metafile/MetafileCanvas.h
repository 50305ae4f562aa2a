// The drawing surface both metafile players play onto: a white picture with the graphics
// state of a Windows device context (objects, colours, modes, mapping, clipping, paths,
// saved states). Coordinates given to the drawing calls are logical ones; the canvas maps
// them to output pixels and draws there with QPainter, or for bitmaps with its own
// raster-operation loop, so that bitmap records reproduce their pixels exactly. QPainter
// draws straight into the program's bitmap (an RGB32 QImage over its memory: the same
// byte order), so a metafile costs one picture, and every call is charged against the
// file's PlaybackBudget before it draws.
#pragma once

#include "core/Image32.h"
#include "core/metafile/PlaybackBudget.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>

#include <array>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace brimlet::metafile {

constexpr QRgb kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

// Windows COLORREF (0x00BBGGRR) to QRgb.
inline QRgb FromColorRef(std::uint32_t c) {
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

struct Pen {
    std::uint32_t style = 0;  // PS_* style, end cap and join bits
    double width = 0;         // logical units; 0 is one pixel
    QRgb colour = kBlack;
    bool IsNull() const { return (style & 0xF) == 5; }
};

struct Brush {
    enum class Kind { kSolid, kNull, kHatched, kPattern };
    Kind kind = Kind::kSolid;
    QRgb colour = kWhite;
    int hatch = 0;
    QImage pattern;  // device pixels, repeated from the device origin
};

struct Font {
    double height = 0;  // logical units; negative: character height, positive: cell height
    double width = 0;
    int escapement = 0;  // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    QString face;
};

struct Palette {
    QVector<QRgb> colours;
};

// A region object (WMF CREATEREGION): its area as rectangles in logical units, which is
// how the scans of the record give it. A region whose scans cannot be read still takes its
// slot, but neither clips nor paints: the rest of the picture is worth more than it.
struct Region {
    std::vector<QRectF> rects;
    bool damaged = false;
};

using GdiObject = std::variant<std::monostate, Pen, Brush, Font, Palette, Region>;

enum class MapMode { kText = 1, kLoMetric, kHiMetric, kLoEnglish, kHiEnglish, kTwips, kIsotropic, kAnisotropic };

struct DcState {
    Pen pen;
    Brush brush;
    Font font;
    QVector<QRgb> palette;
    QRgb textColour = kBlack, bkColour = kWhite;
    bool opaqueBackground = true;
    std::uint32_t textAlign = 0;
    bool winding = false;
    int rop2 = 13;  // R2_COPYPEN
    MapMode mapMode = MapMode::kText;
    QPointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    QTransform world;
    QPointF position;  // current position, logical
    std::optional<QPainterPath> clip;  // output pixels
    bool clockwiseArcs = false;
    double charExtra = 0;
};

enum class ArcKind { kArc, kChord, kPie, kArcTo };

class MetafileCanvas {
public:
    // How logical page coordinates reach output pixels.
    enum class Mapping {
        kWindowToOutput,  // WMF: the window is stretched over the whole output
        kDeviceContext,   // EMF: map mode, window and viewport give reference-device pixels
    };

    // `format` and `fileBytes` set the budget of drawing work (see PlaybackBudget).
    MetafileCanvas(int width, int height, Mapping mapping, const char* format, std::size_t fileBytes);
    ~MetafileCanvas();
    MetafileCanvas(const MetafileCanvas&) = delete;
    MetafileCanvas& operator=(const MetafileCanvas&) = delete;

    // EMF: reference-device pixels to output pixels, and the reference device's pixels
    // per millimetre for the metric map modes.
    void SetDeviceToOutput(const QTransform& t) { deviceToOutput_ = t; }
    void SetPixelsPerMm(double x, double y) { ppmmX_ = x, ppmmY_ = y; }

    DcState& Dc() { return dc_; }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // Logical to output pixels; nullopt when the mapping is degenerate or absurd.
    std::optional<QTransform> Transform() const;

    void Save();
    void Restore(int which);

    // Lines and shapes.
    void MoveTo(QPointF p);
    void LineTo(QPointF p);
    void Polyline(const QPolygonF& points);
    void PolylineTo(const QPolygonF& points);
    void PolyBezier(const QPolygonF& points);
    void PolyBezierTo(const QPolygonF& points);
    void Polygon(const QPolygonF& points);
    void PolyPolygon(const std::vector<QPolygonF>& polygons);
    void PolyPolyline(const std::vector<QPolygonF>& lines);
    void Rectangle(const QRectF& box);
    void RoundRect(const QRectF& box, QSizeF corner);
    void Ellipse(const QRectF& box);
    void Arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void SetPixel(QPointF p, QRgb colour);
    // ETO_OPAQUE fills the rectangle with the background colour, ETO_CLIPPED clips to it.
    void Text(QPointF at, const QString& text, const std::vector<double>& dx,
              std::uint32_t options, std::optional<QRectF> rectangle);

    // Bitmaps: the source rectangle (pixels, top-down) of source is stretched over the
    // logical destination rectangle and combined with the canvas by the raster operation.
    // A null source is a pattern-only operation. `monochrome` tells a 1-bit source, which
    // matters for the mask of an icon (see Blit).
    void Blit(const QRectF& destination, const QImage& source, QRectF sourceRect,
              std::uint32_t rop, bool monochrome = false);

    // Bitmaps combined pixel by pixel by a rule other than one raster operation; the
    // source rectangle is mapped onto the destination as for Blit, nearest pixel.
    // AlphaBlend: the source weighted by constantAlpha (0 to 255) and, with sourceAlpha,
    // by its own alpha channel, its colours then being premultiplied by that alpha.
    void AlphaBlend(const QRectF& destination, const QImage& source, QRectF sourceRect,
                    int constantAlpha, bool sourceAlpha);
    // TransparentBlit: copies the source except the pixels of the key colour.
    void TransparentBlit(const QRectF& destination, const QImage& source, QRectF sourceRect,
                         QRgb key);
    // MaskBlit: where the mask (a picture whose light pixels are set bits; its pixel
    // maskOrigin lies under the source rectangle's corner) has a set bit, the foreground
    // raster operation (bits 16 to 23 of rop4) applies, elsewhere the background one
    // (bits 24 to 31). A null mask or a pixel beyond it counts as a set bit. A null source
    // serves raster operations that do not read it.
    void MaskBlit(const QRectF& destination, const QImage& source, QRectF sourceRect,
                  const QImage& mask, QPoint maskOrigin, std::uint32_t rop4);
    // ParallelogramBlit: the source rectangle's top-left, top-right and bottom-left corners
    // go to the three logical corners; the mask, if any, keeps the destination where its
    // bits are clear.
    void ParallelogramBlit(const std::array<QPointF, 3>& corners, const QImage& source,
                           QRectF sourceRect, const QImage& mask, QPoint maskOrigin);

    // Regions, as rectangles in logical units (WMF region records).
    void FillRegion(const std::vector<QRectF>& rects, const Brush& brush);
    // A border `frame` logical units wide and high along the inside of the region's edges.
    void FrameRegion(const std::vector<QRectF>& rects, const Brush& brush, QSizeF frame);
    void InvertRegion(const std::vector<QRectF>& rects);
    // The region becomes the clipping area (an empty one clips everything away).
    void SelectClipRegion(const std::vector<QRectF>& rects);
    // Moves the clipping area by a logical offset; no clipping stays no clipping.
    void OffsetClip(QPointF offset);

    // WMF: the window the whole output shows while the viewport keeps its starting values.
    // A viewport set by the file then moves and scales the drawing within the output as it
    // would on the device the picture was recorded for, taking the frame as that device's
    // extent. Sets the viewport to the frame.
    void SetFrame(const QRectF& window);

    // Paths.
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void SelectClipPath(int mode);

    // A clipping region given as rectangles in reference-device pixels, combined with the
    // current clip by the RGN_* mode.
    void SelectClipRects(const std::vector<QRectF>& deviceRects, int mode);

    // Clipping, in logical coordinates.
    void IntersectClipRect(const QRectF& box);
    void ExcludeClipRect(const QRectF& box);
    void ResetClip();

    // Ends the drawing and hands over the picture: B, G, R as drawn (white where nothing
    // was), alpha 0. The canvas draws nothing afterwards.
    TBitmap32 TakePicture();

private:
    void Draw(const QPainterPath& devicePath, bool fill, bool stroke);
    void AddToPath(const QPainterPath& devicePath, bool connect);
    QPen DevicePen(const QTransform& t) const;
    QBrush DeviceBrush() const;
    void PreparePainter();
    QRgb PatternAt(int x, int y) const;
    // Charges a painter call over the area `bounds` (output pixels): its pixels at
    // `perPixel` units, clipped to the canvas and the clipping region, plus the clip's own
    // setup. Returns the area charged.
    double ChargeArea(const QRectF& bounds, double perPixel);
    void ChargeText(const QTransform& t, qsizetype characters, const std::optional<QRectF>& rectangle);
    // Blit over a destination whose columns and rows map to source columns and rows of
    // their own (no rotation or shear): `columns[x - area.left()]` is the source column of
    // output column x, `rows[...]` the source row, -1 where the destination does not reach.
    // Only raster operations of the pattern alone, or SRCCOPY, without a clip.
    void BlitFast(const QRect& area, const std::vector<int>& columns, const std::vector<int>& rows,
                  const QImage& source, std::uint8_t code);
    void SetClip(std::optional<QPainterPath> clip);
    void UpdateClipWork();
    void CombineClip(const QPainterPath& area, int mode);
    QRectF ClampRect(const QRectF& r) const;
    const QImage* ClipMask();
    // Visits the output pixels inside the clip whose centres fall in the logical
    // parallelogram spanned from origin by u and v, with the pixel of sourceRect that lands
    // there: visit(destination, x, y, sourceX, sourceY). The source coordinates come from
    // sourceRect even for a null source; for a real one, pixels beyond it are left out.
    template <typename Visit>
    void ForEachMappedPixel(QPointF origin, QPointF u, QPointF v, const QImage& source,
                            QRectF sourceRect, Visit&& visit);
    // The output pixels that logical rectangles cover; nullopt when the mapping is broken.
    std::optional<QRegion> RegionArea(const std::vector<QRectF>& rects);

    PlaybackBudget budget_;
    TBitmap32 picture_;
    QImage image_;  // over picture_'s memory
    QPainter painter_;
    QRectF clipBounds_;    // of dc_.clip, output pixels
    double clipWork_ = 0;  // what setting the clip costs each painter call
    Mapping mapping_;
    QTransform deviceToOutput_;
    double ppmmX_ = 96 / 25.4, ppmmY_ = 96 / 25.4;
    DcState dc_;
    std::vector<DcState> saved_;
    bool inPath_ = false;
    QPainterPath path_;  // output pixels
    QImage clipMask_;
    bool clipMaskValid_ = false;
    // Counts drawing calls, so that a blit can tell whether it directly follows another.
    std::uint64_t drawings_ = 0;
    // The output pixels a monochrome SRCAND blit left alone (its mask bits set), kept for
    // the SRCINVERT blit of the same icon that may follow it.
    struct IconMask {
        std::uint64_t drawing = 0;
        QRectF destination;
        QTransform transform;
        QRect bounds;
        std::vector<bool> keep;
    };
    std::optional<IconMask> iconMask_;
    std::optional<QRectF> frame_;  // WMF: see SetFrame
};

}  // namespace brimlet::metafile
