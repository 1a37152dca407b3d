#pragma once
// TShapePanel: the uninstaller's rounded, outlined box. It is a container for other controls and draws its own
// background and caption (ten placements, kept inside a padding) rather than the style's. The unit's
// TAlignment and TPadding live in namespace ShapePanel, as in the unit's own scope (the picture button has
// types of the same names).

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "controls/Caption.h"
#include "platform/qt/Graphics.h"

// The class library's pen styles.
enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

namespace ShapePanel {

class TShapePanel;

enum TAlignment : uint8_t {
    taLeftTop,
    taLeftCenter,
    taLeftBottom,
    taRightTop,
    taRightCenter,
    taRightBottom,
    taCenterTop,
    taCenter,
    taCenterBottom,
    taWordBreak  // several lines from the top left
};

using TPadding = controls::CaptionPadding<TShapePanel>;

class TShapePanel : public QWidget {
public:
    explicit TShapePanel(QWidget* parent = nullptr);
    ~TShapePanel() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { Store(alignment_, value); }
    TColor FillColor() const { return fillColor_; }
    void SetFillColor(TColor value) { Store(fillColor_, value); }
    TColor LineColor() const { return lineColor_; }
    void SetLineColor(TColor value) { Store(lineColor_, value); }
    int32_t LineWidth() const { return lineWidth_; }
    void SetLineWidth(int32_t value) { Store(lineWidth_, value); }
    TPenStyle LineStyle() const { return lineStyle_; }
    void SetLineStyle(TPenStyle value) { Store(lineStyle_, value); }
    int32_t RoundSize() const { return roundSize_; }
    void SetRoundSize(int32_t value) { Store(roundSize_, value); }
    TPadding& Padding() { return *padding_; }
    void SetPadding(const TPadding& value) { padding_->Assign(value); }

    // The panel's own colour; with ParentColor it is the parent's background.
    TColor Color() const;
    void SetColor(TColor value);  // also ends ParentColor
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // The colour the caption is drawn in (the font's colour).
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value) { Store(fontColor_, value); }
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool value) { setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    template <class T>
    void Store(T& field, T value) {
        if (field == value)
            return;
        field = value;
        update();
    }

    TAlignment alignment_ = taCenter;
    TColor fillColor_ = clWhite;
    TColor lineColor_ = clBlack;
    int32_t lineWidth_ = 1;
    TPenStyle lineStyle_ = psSolid;
    std::unique_ptr<TPadding> padding_;
    int32_t roundSize_ = 20;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TColor fontColor_ = clWindowText;
    std::string caption_;
};

}  // namespace ShapePanel

using ShapePanel::TShapePanel;
