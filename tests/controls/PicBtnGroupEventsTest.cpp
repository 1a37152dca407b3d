// The picture button's events and properties that come from the class library: mouse, focus and size events,
// dragging between buttons, the popup menu, the hint, the linked action and the default-button notice.
#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>

#include <string>
#include <vector>

#include "controls/ControlEvents.h"
#include "tests/controls/PicBtnGroupFixture.h"

namespace {

using namespace tarvo::test;

class PicBtnGroupEventsTest : public PicBtnGroupTest {
protected:
    // The shape of the cursor the application shows over everything, none when it shows its own.
    static std::optional<Qt::CursorShape> OverrideCursor() {
        const QCursor* cursor = QApplication::overrideCursor();
        return cursor ? std::optional(cursor->shape()) : std::nullopt;
    }
};

std::string Point(int x, int y) {
    return std::to_string(x) + "," + std::to_string(y);
}

TEST_F(PicBtnGroupEventsTest, MouseEventsCarryTheButtonTheHeldKeysAndThePoint) {
    TPicBtnGroup* button = AddButton();
    std::vector<std::string> trace;
    button->OnMouseDown = [&](TPicBtnGroup* sender, TMouseButton which, TShiftState shift, int x, int y) {
        EXPECT_EQ(sender, button);
        trace.push_back("down " + std::to_string(which) + " " + std::to_string(shift) + " " + Point(x, y));
    };
    button->OnMouseUp = [&](TPicBtnGroup*, TMouseButton which, TShiftState shift, int x, int y) {
        trace.push_back("up " + std::to_string(which) + " " + std::to_string(shift) + " " + Point(x, y));
    };
    button->OnMouseMove = [&](TPicBtnGroup*, TShiftState shift, int x, int y) {
        trace.push_back("move " + std::to_string(shift) + " " + Point(x, y));
    };
    button->OnClick = [&](TPicBtnGroup*) { trace.push_back("click"); };
    button->OnDblClick = [&](TPicBtnGroup*) { trace.push_back("dblclick"); };
    ShowForm();

    QTest::mouseMove(button, QPoint(4, 6));
    QTest::mousePress(button, Qt::RightButton, Qt::ShiftModifier, QPoint(6, 7));
    QTest::mouseRelease(button, Qt::RightButton, Qt::ShiftModifier, QPoint(6, 7));
    QTest::mouseClick(button, Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, QPoint(8, 9));
    const std::vector<std::string> plain{
        "move 0 4,6", "down " + std::to_string(mbRight) + " " + std::to_string(ssShift | ssRight) + " 6,7",
        "up " + std::to_string(mbRight) + " " + std::to_string(ssShift) + " 6,7",
        "down " + std::to_string(mbMiddle) + " " + std::to_string(ssCtrl | ssAlt | ssMiddle) + " 8,9",
        "up " + std::to_string(mbMiddle) + " " + std::to_string(ssCtrl | ssAlt) + " 8,9"};
    EXPECT_EQ(trace, plain);

    // A double click: the click runs before the release's own event, the second press is marked double.
    trace.clear();
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
    const std::string left = std::to_string(mbLeft);
    const std::vector<std::string> doubled{"down " + left + " " + std::to_string(ssLeft) + " 5,5",
                                           "click",
                                           "up " + left + " 0 5,5",
                                           "dblclick",
                                           "down " + left + " " + std::to_string(ssLeft | ssDouble) + " 5,5",
                                           "up " + left + " 0 5,5"};
    EXPECT_EQ(trace, doubled);
}

TEST_F(PicBtnGroupEventsTest, AButtonDisabledOrFreedByItsMouseDownGoesNoFurther) {
    TPicBtnGroup* disabled = AddButton();
    disabled->OnMouseDown = [](TPicBtnGroup* sender, TMouseButton, TShiftState, int, int) {
        sender->SetEnabled(false);
    };
    TPicBtnGroup* freed = AddButton(10, 50);
    freed->OnMouseDown = [](TPicBtnGroup* sender, TMouseButton, TShiftState, int, int) { delete sender; };
    ShowForm();

    QTest::mousePress(disabled, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(disabled->State(), pbDisabled);
    EXPECT_EQ(DrawnFrame(*disabled), 5);
    EXPECT_FALSE(disabled->hasFocus());

    QPointer<TPicBtnGroup> watch(freed);
    QTest::mousePress(freed, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(watch.isNull());
}

TEST_F(PicBtnGroupEventsTest, FocusAndSizeEvents) {
    TPicBtnGroup* first = AddButton();
    TPicBtnGroup* second = AddButton(10, 50);
    std::string trace;
    first->OnEnter = [&](TPicBtnGroup*) { trace += "enter1 "; };
    first->OnExit = [&](TPicBtnGroup*) { trace += "exit1 "; };
    second->OnEnter = [&](TPicBtnGroup*) { trace += "enter2 "; };
    ShowForm();
    ASSERT_TRUE(first->hasFocus());
    EXPECT_EQ(trace, "enter1 ");
    QTest::keyClick(form.get(), Qt::Key_Tab);
    EXPECT_EQ(trace, "enter1 exit1 enter2 ");
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(trace, "enter1 exit1 enter2 enter1 ");

    std::vector<QSize> sizes;
    first->OnResize = [&](TPicBtnGroup* sender) { sizes.push_back(sender->size()); };
    first->resize(200, 80);
    EXPECT_EQ(sizes, std::vector<QSize>{QSize(200, 80)});
    first->grab();  // the picture gives the button its size
    EXPECT_EQ(sizes, (std::vector<QSize>{QSize(200, 80), QSize(FrameW, FrameH)}));
    form.reset();  // closing it takes the focus away, while the trace still exists
}

TEST_F(PicBtnGroupEventsTest, AnAutomaticDragDropsOnAButtonThatTakesIt) {
    TPicBtnGroup* source = AddButton(10, 10);
    TPicBtnGroup* target = AddButton(10, 100);
    source->SetDragMode(dmAutomatic);
    source->SetDragCursor(Qt::DragCopyCursor);
    std::vector<std::string> trace;
    source->OnStartDrag = [&](TPicBtnGroup*) { trace.push_back("start"); };
    source->OnEndDrag = [&](TPicBtnGroup*, QObject* to, int x, int y) {
        EXPECT_EQ(to, target);
        trace.push_back("end " + Point(x, y));
    };
    target->OnDragOver = [&](TPicBtnGroup*, QObject* from, int x, int y, TDragState state, bool& accept) {
        EXPECT_EQ(from, source);
        EXPECT_TRUE(accept) << "a handler starts from yes";
        trace.push_back("over " + std::to_string(state) + " " + Point(x, y));
    };
    target->OnDragDrop = [&](TPicBtnGroup*, QObject* from, int x, int y) {
        EXPECT_EQ(from, source);
        trace.push_back("drop " + Point(x, y));
    };
    ShowForm();

    // The button holds the mouse while pressed: every move and the release reach it, in its own coordinates.
    const int threshold = QApplication::startDragDistance();
    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(source, QPoint(5, 5 + threshold / 2));
    EXPECT_TRUE(trace.empty()) << "no drag before the mouse has moved far enough";
    QTest::mouseMove(source, QPoint(5, 95));
    QTest::mouseMove(source, QPoint(7, 96));
    EXPECT_EQ(OverrideCursor(), Qt::DragCopyCursor);
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(7, 96));
    const std::vector<std::string> dropped{"start", "over " + std::to_string(dsDragEnter) + " 5,5",
                                           "over " + std::to_string(dsDragMove) + " 7,6", "drop 7,6", "end 7,6"};
    EXPECT_EQ(trace, dropped);
    EXPECT_FALSE(source->Checkd()) << "a drag is no click";
    EXPECT_EQ(OverrideCursor(), std::nullopt);

    // Pressed and released without moving far, the button is clicked as ever.
    trace.clear();
    QTest::mouseClick(source, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(trace.empty());
    EXPECT_TRUE(source->Checkd());
}

TEST_F(PicBtnGroupEventsTest, ARefusedOrInterruptedDragEndsWithoutATarget) {
    TPicBtnGroup* source = AddButton(10, 10);
    TPicBtnGroup* picky = AddButton(10, 100);
    AddButton(100, 100);  // with no OnDragOver it takes nothing
    TPicBtnGroup* disabled = AddButton(200, 100);
    source->SetDragMode(dmAutomatic);
    std::vector<std::string> trace;
    QObject* endedOn = source;
    source->OnEndDrag = [&](TPicBtnGroup*, QObject* to, int x, int y) {
        endedOn = to;
        trace.push_back("end " + Point(x, y));
    };
    picky->OnDragOver = [&](TPicBtnGroup*, QObject*, int x, int y, TDragState state, bool& accept) {
        accept = x < 20;
        trace.push_back("over " + std::to_string(state) + " " + Point(x, y));
    };
    picky->OnDragDrop = [&](TPicBtnGroup*, QObject*, int, int) { trace.push_back("drop"); };
    disabled->OnDragOver = [&](TPicBtnGroup*, QObject*, int, int, TDragState, bool&) { trace.push_back("asked"); };
    disabled->SetEnabled(false);
    ShowForm();

    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(source, QPoint(5, 95));
    EXPECT_EQ(OverrideCursor(), Qt::DragMoveCursor) << "taken: the drag cursor";
    QTest::mouseMove(source, QPoint(35, 95));
    EXPECT_EQ(OverrideCursor(), Qt::ForbiddenCursor) << "refused: no drop here";
    QTest::mouseMove(source, QPoint(95, 95));  // onto the deaf button: the picky one is left where last offered
    EXPECT_EQ(OverrideCursor(), Qt::ForbiddenCursor);
    QTest::mouseMove(source, QPoint(195, 95));
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(195, 95));
    const std::vector<std::string> refused{"over " + std::to_string(dsDragEnter) + " 5,5",
                                           "over " + std::to_string(dsDragMove) + " 35,5",
                                           "over " + std::to_string(dsDragLeave) + " 35,5", "end 0,0"};
    EXPECT_EQ(trace, refused);
    EXPECT_EQ(endedOn, nullptr);
    EXPECT_EQ(OverrideCursor(), std::nullopt);

    // Losing the focus (another window, a popup) ends the drag where it stands.
    trace.clear();
    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(source, QPoint(5, 95));
    source->clearFocus();
    EXPECT_EQ(trace, (std::vector<std::string>{"over " + std::to_string(dsDragEnter) + " 5,5",
                                               "over " + std::to_string(dsDragLeave) + " 5,5", "end 0,0"}));
    EXPECT_EQ(OverrideCursor(), std::nullopt);
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(5, 95));
    EXPECT_EQ(trace.size(), 3u) << "the release after the end belongs to no drag";
}

TEST_F(PicBtnGroupEventsTest, ADraggedButtonMayBeFreedWhenItsDragStartsOrEnds) {
    TPicBtnGroup* atStart = AddButton(10, 10);
    TPicBtnGroup* atEnd = AddButton(100, 10);
    atStart->OnStartDrag = [](TPicBtnGroup* sender) { delete sender; };
    atEnd->OnEndDrag = [](TPicBtnGroup* sender, QObject*, int, int) { delete sender; };
    ShowForm();
    for (TPicBtnGroup* source : {atStart, atEnd}) {
        source->SetDragMode(dmAutomatic);
        QPointer<TPicBtnGroup> watch(source);
        QTest::mousePress(source, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(source, QPoint(5, 95));
        if (watch)
            QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(5, 95));
        EXPECT_TRUE(watch.isNull());
        EXPECT_EQ(OverrideCursor(), std::nullopt);
    }
}

TEST_F(PicBtnGroupEventsTest, AManualButtonIsNeverDragged) {
    TPicBtnGroup* source = AddButton(10, 10);
    TPicBtnGroup* target = AddButton(10, 100);
    EXPECT_EQ(source->DragMode(), dmManual);
    int started = 0, offered = 0;
    source->OnStartDrag = [&](TPicBtnGroup*) { ++started; };
    target->OnDragOver = [&](TPicBtnGroup*, QObject*, int, int, TDragState, bool&) { ++offered; };
    ShowForm();
    QTest::mousePress(source, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(source, QPoint(5, 95));
    QTest::mouseRelease(source, Qt::LeftButton, {}, QPoint(5, 95));
    EXPECT_EQ(started + offered, 0);
    EXPECT_EQ(OverrideCursor(), std::nullopt);
}

TEST_F(PicBtnGroupEventsTest, ThePopupMenuOpensOnAContextMenuRequest) {
    TPicBtnGroup* button = AddButton();
    int formRequests = 0;
    form->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(form.get(), &QWidget::customContextMenuRequested, [&] { ++formRequests; });
    ShowForm();
    auto request = [&] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &event);
    };

    request();
    EXPECT_EQ(formRequests, 1) << "without a menu of its own the request goes to the form";

    auto menu = std::make_unique<QMenu>();
    menu->addAction("削除");
    button->SetPopupMenu(menu.get());
    request();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(formRequests, 1);
    menu->close();

    menu.reset();
    EXPECT_EQ(button->PopupMenu(), nullptr);
    request();
    EXPECT_EQ(formRequests, 2);
}

TEST_F(PicBtnGroupEventsTest, ShowHintDecidesWhetherTheHintShowsAsATooltip) {
    TPicBtnGroup* button = AddButton();
    button->SetHint("フォルダを選ぶ");
    ShowForm();
    auto hover = [&] {
        QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &event);
    };

    EXPECT_FALSE(button->ShowHint());
    hover();
    EXPECT_FALSE(QToolTip::isVisible());

    button->SetShowHint(true);
    hover();
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("フォルダを選ぶ"));

    // The tip shown last fades out in its own time; a new hint while ShowHint is off never shows.
    button->SetShowHint(false);
    button->SetHint("別の説明");
    hover();
    EXPECT_NE(QToolTip::text(), QStringLiteral("別の説明"));
}

TEST_F(PicBtnGroupEventsTest, ALinkedActionGivesCaptionEnabledHintVisibleAndClick) {
    TPicBtnGroup* button = AddButton();
    auto action = std::make_unique<QAction>(QStringLiteral("送信(&S)"));
    action->setToolTip(QStringLiteral("送信します"));
    int triggered = 0;
    QObject::connect(action.get(), &QAction::triggered, [&] { ++triggered; });
    button->SetAction(action.get());
    EXPECT_EQ(button->Caption(), "送信(&S)");
    EXPECT_EQ(button->Hint(), "送信します");
    ShowForm();

    action->setEnabled(false);
    EXPECT_FALSE(button->Enabled());
    EXPECT_EQ(DrawnFrame(*button), 5);
    action->setEnabled(true);
    EXPECT_TRUE(button->Enabled());
    action->setText(QStringLiteral("開始"));
    EXPECT_EQ(button->Caption(), "開始");
    action->setVisible(false);
    EXPECT_FALSE(button->isVisible());
    action->setVisible(true);
    EXPECT_TRUE(button->isVisible());

    // What the program writes on the button stays until the action changes that same thing.
    button->SetCaption("mine");
    action->setToolTip(QStringLiteral("別の説明"));
    EXPECT_EQ(button->Caption(), "mine");
    EXPECT_EQ(button->Hint(), "別の説明");

    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(triggered, 1) << "without OnClick a click runs the action";
    int clicks = 0;
    button->OnClick = [&](TPicBtnGroup*) { ++clicks; };
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(triggered, 1) << "OnClick is run instead of the action";

    action.reset();
    EXPECT_EQ(button->Action(), nullptr);
    button->OnClick = nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button->Caption(), "mine");
}

// Records the focus-changed notices a form receives, with the active control each carries.
class FocusNoticeRecorder : public QObject {
public:
    std::vector<QWidget*> activeControls;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == FocusChangedEvent::EventType())
            activeControls.push_back(static_cast<FocusChangedEvent*>(e)->ActiveControl());
        return false;
    }
};

TEST_F(PicBtnGroupEventsTest, WritingDefaultTellsTheFormItsActiveControl) {
    TPicBtnGroup* button = AddButton();
    auto* edit = new QLineEdit(form.get());
    edit->move(10, 200);
    FocusNoticeRecorder notices;
    form->installEventFilter(&notices);
    button->SetDefault(true);
    EXPECT_TRUE(notices.activeControls.empty()) << "no notice before the window exists";

    ShowForm();
    edit->setFocus();
    button->SetDefault(true);
    button->SetDefault(false);
    EXPECT_EQ(notices.activeControls, (std::vector<QWidget*>{edit, edit})) << "every write tells the form";
    EXPECT_FALSE(button->Default());

    TPicBtnGroup alone;  // on no form
    alone.installEventFilter(&notices);
    alone.show();
    alone.SetDefault(true);
    EXPECT_EQ(notices.activeControls.size(), 2u);
}

}  // namespace
