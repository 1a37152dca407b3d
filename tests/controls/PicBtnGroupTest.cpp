#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "controls/PicBtnGroup.h"
#include "tests/controls/PicBtnGroupFixture.h"

namespace {

using namespace tarvo::test;

TEST_F(PicBtnGroupTest, StartsAsAHundredByThirtyTabStopWithItsDefaults) {
    TPicBtnGroup button;
    EXPECT_EQ(button.size(), QSize(100, 30));
    EXPECT_TRUE(button.TabStop());
    EXPECT_EQ(button.focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(button.Enabled());
    EXPECT_TRUE(button.RollOver());
    EXPECT_TRUE(button.DownTxt());
    EXPECT_FALSE(button.Checkd());
    EXPECT_EQ(button.Alignment(), taCenter);
    EXPECT_EQ(button.BackColor(), clBlack);
    EXPECT_EQ(button.Padding().Left() + button.Padding().Right() + button.Padding().Top() + button.Padding().Bottom(),
              8);
    EXPECT_EQ(button.ListIndex().Normal(), 0);
    EXPECT_EQ(button.ListIndex().Enabled(), 0);
}

TEST_F(PicBtnGroupTest, TakesTheImageListSizeAtTheFirstPaintWithAPicture) {
    TPicBtnGroup* button = AddButton();
    button->resize(200, 80);
    EXPECT_EQ(DrawnFrame(*button), 0);
    EXPECT_EQ(button->size(), QSize(FrameW, FrameH));

    TPicBtnGroup* outOfRange = AddButton();
    outOfRange->ListIndex().SetNormal(Frames);
    outOfRange->resize(200, 80);
    outOfRange->grab();
    EXPECT_EQ(outOfRange->size(), QSize(200, 80));
}

TEST_F(PicBtnGroupTest, WithoutImagesOnlyTheBackColourAndCaptionAreDrawn) {
    TPicBtnGroup* button = AddButton();
    button->SetImages(nullptr);
    button->SetBackColor(0x00FF00);
    button->SetFontColor(0x0000FF);
    button->SetCaption("OK");
    const QImage image = button->grab().toImage();
    EXPECT_EQ(image.size(), QSize(100, 30));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(0, 255, 0));
    EXPECT_FALSE(PixelsOf(*button, QColor(255, 0, 0)).isEmpty());
}

TEST_F(PicBtnGroupTest, AFreedImageListDrawsNoPicture) {
    TPicBtnGroup* button = AddButton();
    button->SetBackColor(clWhite);
    images.reset();
    EXPECT_EQ(button->Images(), nullptr);
    EXPECT_EQ(button->grab().toImage().pixelColor(1, 1), QColor(Qt::white));
}

TEST_F(PicBtnGroupTest, ShowsThePictureOfEachMouseAndFocusState) {
    TPicBtnGroup* button = AddButton();
    AddButton(10, 100);  // somewhere for the focus to go
    ShowForm();
    EXPECT_EQ(DrawnFrame(*button), 3) << "the first tab stop has the focus";

    Hover(button);
    EXPECT_EQ(button->State(), pbMOver);
    EXPECT_EQ(DrawnFrame(*button), 1);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(DrawnFrame(*button), 2);
    EXPECT_EQ(button->CurrentImageIndex(), 2);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button->Checkd()) << "a push button is checked by its first click";
    EXPECT_EQ(DrawnFrame(*button), 1) << "released under the mouse with roll-over: the mouse-over picture";
    Away();
    EXPECT_EQ(DrawnFrame(*button), 4) << "resting checked";

    Hover(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(button->Checkd());
    Away();
    EXPECT_EQ(DrawnFrame(*button), 3) << "resting with the focus";
    QTest::keyClick(form.get(), Qt::Key_Tab);
    ASSERT_FALSE(button->hasFocus());
    EXPECT_EQ(DrawnFrame(*button), 0);

    button->setFocus();
    EXPECT_EQ(DrawnFrame(*button), 3);
    button->SetCheckd(true);
    EXPECT_EQ(DrawnFrame(*button), 4);
    button->clearFocus();
    EXPECT_EQ(DrawnFrame(*button), 4) << "a checked button keeps its picture when the focus leaves";
}

TEST_F(PicBtnGroupTest, APressShowsNoPressedPictureWhenItIsTheNormalOneButTheCaptionMoves) {
    TPicBtnGroup* button = AddButton();
    button->ListIndex().SetMDown(0);
    button->SetCaption("W");
    button->SetFontColor(clWhite);
    ShowForm();
    Hover(button);
    const QRect before = PixelsOf(*button, Qt::white);
    ASSERT_FALSE(before.isEmpty());

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(DrawnFrame(*button), 1) << "stays the mouse-over picture";
    EXPECT_EQ(PixelsOf(*button, Qt::white), before.translated(1, 1));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(PixelsOf(*button, Qt::white), before);

    TPicBtnGroup* still = AddButton(10, 100);
    still->SetCaption("W");
    still->SetFontColor(clWhite);
    still->SetDownTxt(false);
    const QRect resting = PixelsOf(*still, Qt::white);
    QTest::mousePress(still, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(PixelsOf(*still, Qt::white), resting);
    QTest::mouseRelease(still, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(PicBtnGroupTest, AFirstPressGivesTheFocusAndItsPictureWhenThePressedOneIsNormal) {
    AddButton(10, 100);  // takes the focus first
    TPicBtnGroup* button = AddButton();
    button->ListIndex().SetMDown(0);
    button->SetRollOver(false);
    ShowForm();
    Hover(button);
    EXPECT_EQ(DrawnFrame(*button), 0);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button->hasFocus());
    EXPECT_EQ(DrawnFrame(*button), 3);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST_F(PicBtnGroupTest, ReleasingOutsideIsNoClickAndADoubleClickIsOne) {
    TPicBtnGroup* button = AddButton();
    int clicks = 0;
    button->OnClick = [&](TPicBtnGroup* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    ShowForm();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(FrameW + 20, 5));
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 0);

    // A double click arrives as press, release, double-click press, release.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button->Checkd());
}

TEST_F(PicBtnGroupTest, LeavingRestsThePictureAndRunsTheMouseEvents) {
    TPicBtnGroup* button = AddButton();
    std::string trace;
    button->OnMouseEnter = [&](TPicBtnGroup*) { trace += "enter "; };
    button->OnMouseLeave = [&](TPicBtnGroup*) { trace += "leave "; };
    ShowForm();
    Hover(button);
    EXPECT_EQ(trace, "enter ");
    Away();
    EXPECT_EQ(trace, "enter leave ");
    EXPECT_EQ(DrawnFrame(*button), 3) << "resting with the focus";

    // While the button holds the mouse, leaving is reported once the mouse moves after the release.
    Hover(button);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(button, QPoint(300, 200));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_FALSE(button->Checkd()) << "no click: the release was elsewhere";
    Away();
    EXPECT_EQ(trace, "enter leave enter leave ");
    EXPECT_EQ(DrawnFrame(*button), 3);
}

TEST_F(PicBtnGroupTest, CheckingAGroupButtonUnchecksItsGroupUnderTheSameParent) {
    TPicBtnGroup* a = AddButton();
    TPicBtnGroup* b = AddButton();
    TPicBtnGroup* plain = AddButton();  // no group button, same index
    TPicBtnGroup* other = AddButton();  // another group
    QWidget elsewhere(form.get());
    auto* cousin = new TPicBtnGroup(&elsewhere);
    a->SetGroupBtn(true);
    b->SetGroupBtn(true);
    plain->SetGroupIndex(1);
    other->SetGroupBtn(true);
    other->SetGroupIndex(2);
    cousin->SetGroupBtn(true);

    for (TPicBtnGroup* button : {b, plain, other, cousin})
        button->SetCheckd(true);
    EXPECT_FALSE(a->Checkd());
    a->SetCheckd(true);
    EXPECT_TRUE(a->Checkd());
    EXPECT_FALSE(b->Checkd());
    EXPECT_FALSE(plain->Checkd());
    EXPECT_TRUE(other->Checkd());
    EXPECT_TRUE(cousin->Checkd());

    plain->SetCheckd(true);
    EXPECT_TRUE(a->Checkd()) << "a button that is no group button touches no sibling";
}

TEST_F(PicBtnGroupTest, ClickingTheCheckedGroupButtonUnchecksIt) {
    TPicBtnGroup* a = AddButton();
    TPicBtnGroup* b = AddButton(10, 50);
    a->SetGroupBtn(true);
    b->SetGroupBtn(true);
    ShowForm();
    QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(a->Checkd());
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(a->Checkd());
    EXPECT_TRUE(b->Checkd());
    EXPECT_EQ(DrawnFrame(*b), 4);
    EXPECT_EQ(DrawnFrame(*a), 0);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(b->Checkd());
}

TEST_F(PicBtnGroupTest, GroupBtnSetsIndexTabStopAndRollOverAndBack) {
    TPicBtnGroup* button = AddButton();
    button->SetGroupIndex(7);
    button->SetGroupBtn(true);
    EXPECT_EQ(button->GroupIndex(), 1);
    EXPECT_FALSE(button->TabStop());
    EXPECT_FALSE(button->RollOver());
    EXPECT_EQ(button->focusPolicy(), Qt::ClickFocus);
    button->SetGroupBtn(false);
    EXPECT_EQ(button->GroupIndex(), 0);
    EXPECT_TRUE(button->TabStop());
    EXPECT_TRUE(button->RollOver());
}

TEST_F(PicBtnGroupTest, ADisabledButtonIsEmbossedAndDeafUntilEnabledAgain) {
    TPicBtnGroup* button = AddButton();
    button->SetCaption("&Go");
    button->SetDefault(true);
    button->SetCheckd(true);
    int clicks = 0;
    button->OnClick = [&](TPicBtnGroup*) { ++clicks; };
    ShowForm();
    button->SetEnabled(false);
    EXPECT_FALSE(button->TabStop());
    EXPECT_EQ(DrawnFrame(*button), 5);
    EXPECT_FALSE(PixelsOf(*button, ColorToQColor(clBtnHighlight)).isEmpty());
    EXPECT_FALSE(PixelsOf(*button, ColorToQColor(clBtnShadow)).isEmpty());

    Hover(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(form.get(), Qt::Key_Return);
    QTest::keyClick(form.get(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(DrawnFrame(*button), 5);

    button->SetEnabled(true);
    EXPECT_FALSE(button->Checkd());
    EXPECT_FALSE(button->TabStop());
    EXPECT_EQ(DrawnFrame(*button), 0);
}

TEST_F(PicBtnGroupTest, EnterClicksTheDefaultButtonUnlessTheFocusedControlTakesIt) {
    TPicBtnGroup* ok = AddButton();
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TPicBtnGroup*) { ++clicks; };
    auto* edit = new QLineEdit(form.get());
    edit->move(10, 200);
    auto* memo = new QPlainTextEdit(form.get());
    memo->setGeometry(200, 200, 100, 60);
    ShowForm();

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks, 2);
    for (auto modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        QTest::keyClick(edit, Qt::Key_Return, modifier);
    EXPECT_EQ(clicks, 2);

    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(clicks, 2);

    ok->hide();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(clicks, 2) << "a button that cannot take the focus is not clicked";
}

TEST_F(PicBtnGroupTest, EscClicksTheCancelButtonAndTheFocusedButtonTakesEnterItself) {
    TPicBtnGroup* first = AddButton();
    TPicBtnGroup* cancel = AddButton(10, 50);
    cancel->SetCancel(true);
    std::string trace;
    first->OnClick = [&](TPicBtnGroup*) { trace += "first "; };
    cancel->OnClick = [&](TPicBtnGroup*) { trace += "cancel "; };
    ShowForm();
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Escape);
    QTest::keyClick(first, Qt::Key_Return);
    EXPECT_EQ(trace, "cancel first ");
}

TEST_F(PicBtnGroupTest, TheAcceleratorClicksAVisibleEnabledButton) {
    TPicBtnGroup* del = AddButton();
    del->SetCaption("削除(&D)");
    TPicBtnGroup* amp = AddButton(10, 50);
    amp->SetCaption("A&&B");
    int clicks = 0, ampClicks = 0;
    del->OnClick = [&](TPicBtnGroup*) { ++clicks; };
    amp->OnClick = [&](TPicBtnGroup*) { ++ampClicks; };
    auto* edit = new QLineEdit(form.get());
    edit->move(10, 200);
    ShowForm();

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(edit, Qt::Key_D);
    EXPECT_EQ(clicks, 1) << "the edit takes a plain character";
    EXPECT_EQ(edit->text(), "d");

    amp->setFocus();
    QTest::keyClick(amp, Qt::Key_D);
    EXPECT_EQ(clicks, 2) << "a button leaves plain characters to the form";
    QTest::keyClick(amp, Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(ampClicks, 0) << "&& is no accelerator";

    del->hide();
    QTest::keyClick(edit, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(clicks, 2);
}

TEST_F(PicBtnGroupTest, AClickHandsTheModalResultToAModalDialog) {
    QDialog dialog;
    auto* button = new TPicBtnGroup(&dialog);
    button->SetModalResult(QDialog::Accepted + 5);
    dialog.open();
    ASSERT_TRUE(dialog.isVisible());
    button->Click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted + 5);
    EXPECT_EQ(dialog.property("ModalResult").toInt(), QDialog::Accepted + 5);
}

TEST_F(PicBtnGroupTest, AClickOnNoFormTogglesAndRunsOnClickOnly) {
    TPicBtnGroup button;
    button.SetModalResult(1);
    int clicks = 0;
    button.OnClick = [&](TPicBtnGroup*) { ++clicks; };
    button.Click();
    EXPECT_TRUE(button.Checkd());
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.property("ModalResult").isValid());
    button.SetEnabled(false);
    button.Click();
    EXPECT_EQ(clicks, 1) << "a disabled button on no form does not act";
}

TEST_F(PicBtnGroupTest, AButtonMayBeFreedByItsOwnClick) {
    TPicBtnGroup* button = AddButton();
    button->OnClick = [&](TPicBtnGroup* sender) { delete sender; };
    ShowForm();
    QPointer<TPicBtnGroup> watch(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(watch.isNull());
}

TEST_F(PicBtnGroupTest, ListIndexAndPaddingAreCopiedByValue) {
    TPicBtnGroup* a = AddButton();
    TPicBtnGroup* b = AddButton();
    b->ListIndex().SetNormal(6);
    b->Padding().SetLeft(25);
    a->SetListIndex(b->ListIndex());
    a->SetPadding(b->Padding());
    b->ListIndex().SetNormal(1);
    EXPECT_EQ(a->ListIndex().Normal(), 6);
    EXPECT_EQ(a->ListIndex().Enabled(), 5);
    EXPECT_EQ(a->Padding().Left(), 25);
    EXPECT_EQ(DrawnFrame(*a), 6);
}

TEST_F(PicBtnGroupTest, PaddingAndAlignmentPlaceTheCaption) {
    TPicBtnGroup* button = AddButton();
    button->SetCaption("\u2588");  // a full block: solid from edge to edge
    button->SetFontColor(clWhite);
    button->SetAlignment(taLeftCenter);
    button->Padding().SetLeft(25);
    const QRect left = PixelsOf(*button, Qt::white);
    ASSERT_FALSE(left.isEmpty());
    EXPECT_GE(left.left(), 25);
    EXPECT_LT(left.left(), 30);
    button->SetAlignment(taRightBottom);
    const QRect right = PixelsOf(*button, Qt::white);
    EXPECT_LE(right.right(), FrameW - 2);
    EXPECT_GT(right.right(), FrameW - 8);
    EXPECT_GT(right.bottom(), left.bottom());
}

}  // namespace
