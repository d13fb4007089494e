// Shapes: clearing, boxes and ellipses, and the colours and pen they use.
#include "surface/canvas.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace surface {
namespace detail {
namespace {

QBrush fill_brush(QRgb colour, int32_t style) {
    static constexpr Qt::BrushStyle hatches[] = {
        Qt::SolidPattern, Qt::HorPattern,   Qt::VerPattern,      Qt::FDiagPattern,
        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    if (style < 0 || style > 6) style = 0;
    return QBrush(QColor(colour), hatches[style]);
}

// The rectangle of whole pixels that two corners span, both included.
QRectF pixel_rect(double x1, double y1, double x2, double y2) {
    int32_t a = to_pixel(x1), b = to_pixel(y1), c = to_pixel(x2), d = to_pixel(y2);
    if (a > c) std::swap(a, c);
    if (b > d) std::swap(b, d);
    return QRectF(a, b, double(c) - a + 1, double(d) - b + 1);
}

enum class Shape { Box, Ellipse };

void add_shape(QPainterPath& path, Shape shape, const QRectF& r, double radius) {
    if (shape == Shape::Ellipse)
        path.addEllipse(r);
    else if (radius > 0)
        path.addRoundedRect(r, radius, radius);
    else
        path.addRect(r);
}

// Outline of the current pen width drawn inside the shape, fill inside that.
void draw_shape(Shape shape, const QRectF& r, double radius, int32_t line_colour,
                int32_t fill_colour, int32_t fill_style) {
    TargetRef t = drawing_target();
    if (!t || t.canvas->pixels().isNull()) return;
    const DrawState& s = t.canvas->state;
    const QRgb line = line_colour == DEFAULT_COLOUR ? foreground_rgb(s) : rgb(line_colour);
    const int32_t pen = std::clamp(s.pen, 1, 1 << 20);
    const QRectF inner = r.adjusted(pen, pen, -pen, -pen);

    QPainter painter(&t.canvas->image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    if (shape == Shape::Box && radius <= 0) {
        // A square box of whole pixels: its frame is four bands and its
        // inside one rectangle, filled directly instead of as paths.
        const bool has_inside = inner.width() > 0 && inner.height() > 0;
        if (!has_inside) {
            painter.fillRect(r, QColor(line));
        } else {
            const double side = r.height() - 2.0 * pen;
            painter.fillRect(QRectF(r.left(), r.top(), r.width(), pen), QColor(line));
            painter.fillRect(QRectF(r.left(), r.bottom() - pen, r.width(), pen), QColor(line));
            painter.fillRect(QRectF(r.left(), r.top() + pen, pen, side), QColor(line));
            painter.fillRect(QRectF(r.right() - pen, r.top() + pen, pen, side), QColor(line));
            if (fill_colour != NO_COLOUR) {
                const QBrush brush =
                    fill_brush(fill_colour == DEFAULT_COLOUR ? line : rgb(fill_colour), fill_style);
                if (brush.style() == Qt::SolidPattern) {
                    painter.fillRect(inner, brush);
                } else {
                    QPainterPath inside;
                    inside.addRect(inner);
                    painter.fillPath(inside, brush);
                }
            }
        }
        painter.end();
        drawn(t, r.toAlignedRect());
        return;
    }
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    add_shape(ring, shape, r, radius);
    const bool has_inside = inner.width() > 0 && inner.height() > 0;
    QPainterPath inside;
    if (has_inside) {
        add_shape(inside, shape, inner, std::max(0.0, radius - pen));
        ring.addPath(inside);
    }
    painter.fillPath(ring, QColor(line));
    if (has_inside && fill_colour != NO_COLOUR)
        painter.fillPath(inside, fill_brush(fill_colour == DEFAULT_COLOUR ? line : rgb(fill_colour),
                                            fill_style));
    painter.end();
    drawn(t, r.toAlignedRect());
}

} // namespace
} // namespace detail

using namespace detail;

void clear(int32_t colour, int32_t style) {
    TargetRef t = drawing_target();
    if (!t) return;
    DrawState& s = t.canvas->state;
    s.pos = {};
    if (t.canvas->size().isEmpty()) return;
    const QRgb fill = colour == DEFAULT_COLOUR ? background_rgb(s) : rgb(colour);
    if (style <= 0 || style > 6) {
        t.canvas->fill_plain(fill);
    } else {
        QImage& image = t.canvas->pixels();
        if (image.isNull()) return;
        QPainter painter(&image);
        painter.fillRect(image.rect(), fill_brush(fill, style));
    }
    drawn(t);
}

void box(double x1, double y1, double x2, double y2, int32_t corner, int32_t line_colour,
         int32_t fill_colour, int32_t fill_style) {
    const QRectF r = pixel_rect(x1, y1, x2, y2);
    const double shorter = std::min(r.width(), r.height());
    const double diameter = shorter * std::clamp(corner, 0, 100) / 100.0;
    draw_shape(Shape::Box, r, diameter / 2, line_colour, fill_colour, fill_style);
}

void ellipse(double x1, double y1, double x2, double y2, int32_t line_colour, int32_t fill_colour,
             int32_t fill_style) {
    draw_shape(Shape::Ellipse, pixel_rect(x1, y1, x2, y2), 0, line_colour, fill_colour, fill_style);
}

void set_colours(int32_t foreground, int32_t background) {
    TargetRef t = current();
    if (!t) return;
    t.canvas->state.foreground = foreground;
    t.canvas->state.background = background;
}

void pen_width(int32_t width) {
    TargetRef t = current();
    if (t) t.canvas->state.pen = width;
}

} // namespace surface
