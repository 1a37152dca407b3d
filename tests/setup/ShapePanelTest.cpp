#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <memory>

#include "setup/ShapePanel.h"
#include "setup/SingleImage.h"

namespace {

using namespace ShapePanel;

const QColor Lime(0, 255, 0);
const QColor Black(0, 0, 0);
const QColor Fill = ColorToQColor(16775404);

class ShapePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<QWidget>();
        parent->resize(420, 200);
        panel = new TShapePanel(parent.get());
        panel->setGeometry(4, 0, 397, 175);
        panel->SetColor(clLime);
        panel->SetFillColor(16775404);
    }
    QColor At(int x, int y) { return panel->grab().toImage().pixelColor(x, y); }
    // Bounding box of the caption's pixels (the font colour, blended edges included), on a panel with no
    // outline and square corners, so that nothing else is dark.
    QRect CaptionBox() {
        panel->SetLineStyle(psClear);
        panel->SetRoundSize(0);
        const QImage image = panel->grab().toImage();
        QRect box;
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (image.pixelColor(x, y).red() < 160)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    std::unique_ptr<QWidget> parent;
    TShapePanel* panel = nullptr;
};

TEST_F(ShapePanelTest, RoundedCornersLeaveThePanelColourOutside) {
    const int right = 396, bottom = 174;
    for (QPoint corner : {QPoint(0, 0), QPoint(2, 2), QPoint(right, 0), QPoint(right - 2, 2), QPoint(0, bottom),
                          QPoint(2, bottom - 2), QPoint(right, bottom), QPoint(right - 2, bottom - 2)})
        EXPECT_EQ(At(corner.x(), corner.y()), Lime) << corner.x() << "," << corner.y();
    // The outline runs along all four edges past the corner ellipses; inside is the fill.
    EXPECT_EQ(At(198, 0), Black);
    EXPECT_EQ(At(0, 87), Black);
    EXPECT_EQ(At(right, 87), Black);
    EXPECT_EQ(At(198, bottom), Black);
    EXPECT_EQ(At(6, 6), Fill);
    EXPECT_EQ(At(100, 140), Fill);
}

TEST_F(ShapePanelTest, SquareCornersWithoutRoundSize) {
    panel->SetRoundSize(0);
    EXPECT_EQ(At(0, 0), Black);
    EXPECT_EQ(At(396, 174), Black);
    EXPECT_EQ(At(1, 1), Fill);
}

TEST_F(ShapePanelTest, WithoutAnOutlineTheFillReachesTheLastPixel) {
    panel->SetRoundSize(0);
    panel->SetLineStyle(psClear);
    EXPECT_EQ(At(0, 0), Fill);
    EXPECT_EQ(At(396, 87), Fill);
    EXPECT_EQ(At(198, 174), Fill);
    EXPECT_EQ(At(396, 174), Fill);
    panel->SetRoundSize(20);
    EXPECT_EQ(At(0, 0), Lime);
    EXPECT_EQ(At(396, 87), Fill);
}

TEST_F(ShapePanelTest, ParentColourShowsAtTheCorners) {
    QPalette palette = parent->palette();
    palette.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
    parent->setPalette(palette);
    panel->SetParentColor(true);
    EXPECT_EQ(panel->Color(), 0x563412u);
    EXPECT_EQ(At(0, 0), QColor(0x12, 0x34, 0x56));
    panel->SetColor(clLime);  // an own colour ends ParentColor
    EXPECT_FALSE(panel->ParentColor());
    EXPECT_EQ(At(0, 0), Lime);
}

TEST_F(ShapePanelTest, CaptionPlacement) {
    panel->SetCaption("MMMM");
    panel->SetAlignment(taRightCenter);
    QRect box = CaptionBox();
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GE(box.right(), 396 - 2 - 3);  // against the padding on the right
    EXPECT_LE(std::abs(box.center().y() - 87), 3);
    panel->SetAlignment(taLeftTop);
    box = CaptionBox();
    EXPECT_LE(box.left(), 2 + 3);
    EXPECT_LE(box.top(), 2 + 6);
    panel->Padding().SetLeft(50);
    EXPECT_GE(CaptionBox().left(), 50);
    panel->SetAlignment(taCenterBottom);
    EXPECT_GE(CaptionBox().bottom(), 174 - 2 - 6);
}

TEST_F(ShapePanelTest, OnlyWordBreakWrapsTheCaption) {
    panel->setFixedWidth(120);
    std::string words;
    for (int i = 0; i < 12; ++i)
        words += "word ";
    panel->SetCaption(words);
    panel->SetAlignment(taLeftTop);
    const int oneLine = CaptionBox().height();
    panel->SetAlignment(taCenter);
    EXPECT_LE(CaptionBox().height(), oneLine + 1);
    panel->SetAlignment(taWordBreak);
    const QRect wrapped = CaptionBox();
    EXPECT_GT(wrapped.height(), 2 * oneLine);
    EXPECT_LE(wrapped.left(), 2 + 3);
    EXPECT_LE(wrapped.top(), 2 + 6);
}

TEST(SingleImageTest, SizeFollowsThePicture) {
    TSingleImage holder;
    EXPECT_EQ(holder.Width(), 16);
    EXPECT_EQ(holder.Height(), 16);
    QImage picture(380, 40, QImage::Format_RGB32);
    picture.fill(Qt::red);
    holder.SetPicture(picture);
    EXPECT_EQ(holder.Width(), 380);
    EXPECT_EQ(holder.Height(), 40);
    picture.fill(Qt::blue);  // the holder keeps its own copy
    EXPECT_EQ(holder.Picture().pixelColor(0, 0), QColor(Qt::red));
    holder.SetWidth(10);
    EXPECT_EQ(holder.Width(), 10);
    EXPECT_EQ(holder.Picture().width(), 380);
    holder.SetPicture(QImage());
    EXPECT_EQ(holder.Width(), 0);
    EXPECT_EQ(holder.Height(), 0);
}

}  // namespace
