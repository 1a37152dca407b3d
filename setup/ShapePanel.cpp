#include "setup/ShapePanel.h"

#include <QPainter>

namespace ShapePanel {

namespace {

int TextFlags(TAlignment alignment) {
    if (alignment == taWordBreak)
        return Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
    return controls::SingleLineCaptionFlags(alignment);
}

Qt::PenStyle QtPenStyle(TPenStyle style) {
    switch (style) {
        case psDash:
            return Qt::DashLine;
        case psDot:
            return Qt::DotLine;
        case psDashDot:
            return Qt::DashDotLine;
        case psDashDotDot:
            return Qt::DashDotDotLine;
        case psClear:
            return Qt::NoPen;
        case psSolid:
        case psInsideFrame:
            break;
    }
    return Qt::SolidLine;
}

TColor ToTColor(const QColor& color) {
    return static_cast<TColor>(color.red()) | static_cast<TColor>(color.green()) << 8 |
           static_cast<TColor>(color.blue()) << 16;
}

}  // namespace

TShapePanel::TShapePanel(QWidget* parent) : QWidget(parent), padding_(std::make_unique<TPadding>(this)) {
    SetTabStop(true);
}

TShapePanel::~TShapePanel() = default;

TColor TShapePanel::Color() const {
    if (parentColor_ && parentWidget())
        return ToTColor(parentWidget()->palette().color(QPalette::Window));
    return color_;
}

void TShapePanel::SetColor(TColor value) {
    color_ = value;
    parentColor_ = false;
    update();
}

void TShapePanel::SetParentColor(bool value) {
    Store(parentColor_, value);
}

void TShapePanel::SetCaption(const std::string& value) {
    caption_ = value;
    update();
}

void TShapePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ColorToQColor(Color()));
    painter.setFont(font());
    const QColor fill = ColorToQColor(fillColor_);
    painter.setBrush(fill);
    painter.setPen(QPen(ColorToQColor(lineColor_), lineWidth_, QtPenStyle(lineStyle_)));
    // Shapes are drawn as GDI draws them: without their right and bottom edge, and one pixel smaller still
    // without an outline, which the extra pixel for psClear makes up.
    int right = width();
    int bottom = height();
    if (lineStyle_ == psClear) {
        ++right;
        ++bottom;
    }
    const QRect shape(0, 0, right - 1, bottom - 1);
    if (roundSize_ != 0)
        painter.drawRoundedRect(shape, roundSize_ / 2.0, roundSize_ / 2.0);
    else
        painter.drawRect(shape);
    const QRect text = padding_->Inside(rect());
    // An opaque background mode paints the fill colour behind each glyph cell, as the solid brush did.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(fill);
    painter.setPen(ColorToQColor(fontColor_));
    painter.drawText(text, TextFlags(alignment_), QString::fromStdString(caption_));
}

}  // namespace ShapePanel
