#pragma once
// A form with picture buttons drawn from a strip of flat-coloured frames, so that a pixel tells which frame a
// button shows.

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "controls/PicBtnGroup.h"

namespace tarvo::test {

using namespace PicBtnGroup;

constexpr int FrameW = 60;
constexpr int FrameH = 24;
constexpr int Frames = 7;

// Frame i is one flat colour, so a pixel away from the caption tells which frame was drawn.
inline QColor FrameColor(int index) {
    return QColor::fromHsv(index * 360 / Frames, 255, 200).toRgb();
}

inline QImage Strip() {
    QImage strip(FrameW * Frames, FrameH, QImage::Format_RGB32);
    for (int i = 0; i < Frames; ++i)
        for (int x = 0; x < FrameW; ++x)
            for (int y = 0; y < FrameH; ++y)
                strip.setPixelColor(i * FrameW + x, y, FrameColor(i));
    return strip;
}

// The frame drawn at the button's top-left corner, -1 when the corner matches no frame.
inline int DrawnFrame(TPicBtnGroup& button) {
    const QColor corner = button.grab().toImage().pixelColor(1, 1);
    auto near = [](int a, int b) { return std::abs(a - b) <= 2; };
    for (int i = 0; i < Frames; ++i) {
        const QColor frame = FrameColor(i);
        if (near(corner.red(), frame.red()) && near(corner.green(), frame.green()) && near(corner.blue(), frame.blue()))
            return i;
    }
    return -1;
}

// Bounding box of the pixels of about one colour (text edges are blended) in the button's picture.
inline QRect PixelsOf(TPicBtnGroup& button, QColor color) {
    const QImage image = button.grab().toImage();
    auto near = [&](QColor c) {
        return std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                   std::abs(c.blue() - color.blue()) <
               40;
    };
    QRect box;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (near(image.pixelColor(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

class PicBtnGroupTest : public ::testing::Test {
protected:
    void SetUp() override {
        images = std::make_unique<TImageList>(FrameW, FrameH);
        ASSERT_EQ(images->Add(Strip()), 0);
        form = std::make_unique<QWidget>();
        form->resize(400, 300);
    }
    // The mouse is left where no button of any test sits, so the next form does not appear under it.
    void TearDown() override {
        if (form && form->isVisible())
            Away();
        form.reset();
    }

    // A button on the form with frames Normal 0, MOver 1, MDown 2, Focus 3, Check 4, disabled 5.
    TPicBtnGroup* AddButton(int x = 10, int y = 10) {
        auto* button = new TPicBtnGroup(form.get());
        button->move(x, y);
        button->SetImages(images.get());
        TListIndex& index = button->ListIndex();
        index.SetNormal(0);
        index.SetMOver(1);
        index.SetMDown(2);
        index.SetFocus(3);
        index.SetCheck(4);
        index.SetEnabled(5);
        return button;
    }

    void ShowForm() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    void Hover(TPicBtnGroup* button) { QTest::mouseMove(button, QPoint(5, 5)); }
    void Away() { QTest::mouseMove(form.get(), QPoint(390, 290)); }

    std::unique_ptr<TImageList> images;
    std::unique_ptr<QWidget> form;
};

}  // namespace tarvo::test
