// Estimates of what a drawing call costs QPainter's raster engine, in the units of
// PlaybackBudget (about a nanosecond each, measured on an optimised build): its pixels, the
// scanlines its edges cross (what the scan converter walks) and its path elements.
#pragma once

#include <QPainterPath>
#include <QRectF>

namespace brimlet::metafile {

struct PathWork {
    double elements = 0;  // path elements, curve control points included
    double rows = 0;      // scanlines of the canvas crossed by the control polygon's edges
    double length = 0;    // length of the control polygon, its points held to the canvas
    QRectF bounds;        // control-point bounds
};

// The control polygon bounds every curve, so these bound the flattened path's figures.
PathWork MeasurePath(const QPainterPath& path, const QRectF& canvas);

// Filling `path` with the clipped area `area` (pixels) at `perPixel` units a pixel.
double FillCost(const PathWork& path, double area, double perPixel);
// Stroking it with a pen `width` pixels wide; the clipped area bounds the pixels touched.
double StrokeCost(const PathWork& path, double area, double width, double canvasHeight);

// Combining two clip paths with a boolean operation. The estimate stops growing once it
// exceeds `limit` (what is left of the budget), so that counting stays within it too.
double ClipCombineCost(const QPainterPath& a, const QPainterPath& b, double limit);

// An axis-aligned rectangle (a moveTo and three or four lineTos along the axes).
bool IsRectangle(const QPainterPath& path);

// Area in pixels of r, 0 when empty.
double Area(const QRectF& r);

}  // namespace brimlet::metafile
