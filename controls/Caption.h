#pragma once
// What the controls that paint their own caption (the picture button, the shape panel) share: the margins around
// it and its nine single-line placements. Each unit names its own TPadding after the template, so the two stay
// distinct types.

#include <QRect>

#include <cstdint>

namespace controls {

// The caption's margins in pixels; a changed value repaints the owner at once.
template <class Owner>
class CaptionPadding {
public:
    explicit CaptionPadding(Owner* owner = nullptr) : owner_(owner) {}
    CaptionPadding(const CaptionPadding&) = delete;
    CaptionPadding& operator=(const CaptionPadding&) = delete;

    int32_t Left() const { return left_; }
    void SetLeft(int32_t value) { Store(left_, value); }
    int32_t Right() const { return right_; }
    void SetRight(int32_t value) { Store(right_, value); }
    int32_t Top() const { return top_; }
    void SetTop(int32_t value) { Store(top_, value); }
    int32_t Bottom() const { return bottom_; }
    void SetBottom(int32_t value) { Store(bottom_, value); }

    // The rectangle left inside the margins.
    QRect Inside(const QRect& outer) const { return outer.adjusted(left_, top_, -right_, -bottom_); }

    // Copies all four and repaints the owner.
    void Assign(const CaptionPadding& source) {
        left_ = source.left_;
        right_ = source.right_;
        top_ = source.top_;
        bottom_ = source.bottom_;
        Repaint();
    }

private:
    void Store(int32_t& field, int32_t value) {
        if (field == value)
            return;
        field = value;
        Repaint();
    }

    void Repaint() {
        if (owner_)
            owner_->repaint();
    }

    int32_t left_ = 2;
    int32_t right_ = 2;
    int32_t top_ = 2;
    int32_t bottom_ = 2;
    Owner* owner_;
};

// Text flags for one of the nine placements the captions' alignments list first, in the order left, right, centre
// across by top, centre, bottom down: one line, "&" marking the accelerator.
inline int SingleLineCaptionFlags(int placement) {
    static constexpr Qt::Alignment Horizontal[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    static constexpr Qt::Alignment Vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return static_cast<int>(Horizontal[placement / 3] | Vertical[placement % 3]) | Qt::TextSingleLine |
           Qt::TextShowMnemonic;
}

}  // namespace controls
