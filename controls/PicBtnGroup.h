#pragma once
// TPicBtnGroup draws every state of a button from an image list, caption over the picture, so the programs'
// buttons carry their own artwork. Dialog buttons (Enter and Esc, ModalResult), toggles (Checkd) and radio
// groups (GroupBtn, per GroupIndex among siblings) are all this one class.
//
// The unit's names live in namespace PicBtnGroup, as they would in the unit's own scope: other units have a
// TAlignment and a TPadding of their own. The button classes are also visible without the unit name.

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/Caption.h"
#include "controls/ControlEvents.h"
#include "controls/ImageList.h"
#include "platform/qt/Graphics.h"

namespace PicBtnGroup {

class TPicBtnGroup;
class ButtonDrag;

// Caption placement inside the padded client rectangle.
enum TAlignment : uint8_t {
    taLeftTop,
    taLeftCenter,
    taLeftBottom,
    taRightTop,
    taRightCenter,
    taRightBottom,
    taCenterTop,
    taCenter,
    taCenterBottom
};

enum TPicBtnState : int32_t { pbNormal, pbMOver, pbMDown, pbFocus, pbCheck, pbDisabled };

// The image index shown in each visual state. Only Normal repaints the owner when written.
class TListIndex {
public:
    explicit TListIndex(TPicBtnGroup* owner = nullptr) : owner_(owner) {}
    TListIndex(const TListIndex&) = delete;
    TListIndex& operator=(const TListIndex&) = delete;

    int32_t Normal() const { return normal_; }
    void SetNormal(int32_t value);
    int32_t MOver() const { return mOver_; }
    void SetMOver(int32_t value) { mOver_ = value; }
    int32_t MDown() const { return mDown_; }
    void SetMDown(int32_t value) { mDown_ = value; }
    int32_t Focus() const { return focus_; }
    void SetFocus(int32_t value) { focus_ = value; }
    int32_t Check() const { return check_; }
    void SetCheck(int32_t value) { check_ = value; }
    // The picture of the disabled state (the property is named so).
    int32_t Enabled() const { return enabled_; }
    void SetEnabled(int32_t value) { enabled_ = value; }

    // Copies every state's index, then repaints the owning button.
    void Assign(const TListIndex& source);
    int32_t ForState(TPicBtnState state) const;

private:
    int32_t normal_ = 0;
    int32_t mOver_ = 0;
    int32_t mDown_ = 0;
    int32_t focus_ = 0;
    int32_t check_ = 0;
    int32_t enabled_ = 0;
    TPicBtnGroup* owner_;
};

using TPadding = controls::CaptionPadding<TPicBtnGroup>;

class TPicBtnGroup : public QWidget {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TPicBtnGroup* Sender)>;
    using TMouseEvent = std::function<void(TPicBtnGroup* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
    using TMouseMoveEvent = std::function<void(TPicBtnGroup* Sender, TShiftState Shift, int X, int Y)>;
    // Source is the button being dragged; Accept starts as True and says whether it may be dropped here.
    using TDragOverEvent =
        std::function<void(TPicBtnGroup* Sender, QObject* Source, int X, int Y, TDragState State, bool& Accept)>;
    using TDragDropEvent = std::function<void(TPicBtnGroup* Sender, QObject* Source, int X, int Y)>;
    // Target is the control that took the drop, null when none did; X and Y are in its coordinates.
    using TEndDragEvent = std::function<void(TPicBtnGroup* Sender, QObject* Target, int X, int Y)>;

    explicit TPicBtnGroup(QWidget* parent = nullptr);
    ~TPicBtnGroup() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value);
    // The colour the caption is drawn in (the font's colour).
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor value);
    std::string Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* value);
    TListIndex& ListIndex() { return *listIndex_; }
    void SetListIndex(const TListIndex& value) { listIndex_->Assign(value); }
    TPadding& Padding() { return *padding_; }
    void SetPadding(const TPadding& value) { padding_->Assign(value); }

    // The button's own enabled flag; disabling also drops TabStop, enabling does not give it back.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Checkd() const { return checkd_; }
    void SetCheckd(bool value);
    bool GroupBtn() const { return groupBtn_; }
    void SetGroupBtn(bool value);
    int32_t GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value) { groupIndex_ = value; }
    bool RollOver() const { return rollOver_; }
    void SetRollOver(bool value) { rollOver_ = value; }
    bool DownTxt() const { return downTxt_; }
    void SetDownTxt(bool value) { downTxt_ = value; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    int32_t ModalResult() const { return modalResult_; }
    void SetModalResult(int32_t value) { modalResult_ = value; }
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    intptr_t Tag() const { return tag_; }
    void SetTag(intptr_t value) { tag_ = value; }

    // The menu a context-menu request opens; not owned.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* value) { popupMenu_ = value; }
    std::string Hint() const { return hint_; }
    void SetHint(const std::string& value);
    // Whether the Hint shows as a tooltip while the mouse rests on the button.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value);
    // The action whose caption, enabled state, hint and visibility the button follows, and which a click runs
    // when OnClick is not assigned; not owned.
    QAction* Action() const { return action_; }
    void SetAction(QAction* value);
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    // The cursor over a control that takes the drag.
    Qt::CursorShape DragCursor() const { return dragCursor_; }
    void SetDragCursor(Qt::CursorShape value) { dragCursor_ = value; }

    TPicBtnState State() const { return state_; }
    // The picture shown by the last paint.
    int32_t CurrentImageIndex() const { return imageIndex_; }

    // A click: gives the form the button's ModalResult, flips Checkd, then runs OnClick.
    void Click();
    // A key the focused control left to its form: Enter for a Default button, Esc for a Cancel one.
    bool DialogKey(int key, Qt::KeyboardModifiers modifiers);
    // A character the focused control left to its form, matched against the caption's "&" accelerator.
    bool DialogChar(QChar character);
    // A button dragged over this one, at a point of this one: whether it may be dropped here (OnDragOver).
    bool DragOver(QObject* source, QPoint at, TDragState state);
    // A button dropped on this one (OnDragDrop).
    void DragDrop(QObject* source, QPoint at);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnResize;
    TNotifyEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    // What the button last took from its action, so that only what the action changes is taken again.
    struct ActionValues {
        std::string caption;
        std::string hint;
        bool enabled = true;
        bool visible = true;
    };

    // Runs the handler when assigned; False when it freed the button.
    template <class Handler, class... Args>
    bool Fire(const Handler& handler, Args... args) {
        if (!handler)
            return true;
        QPointer<TPicBtnGroup> self(this);
        handler(this, args...);
        return !self.isNull();
    }
    // The window the button sits on; null when the button is a window of its own.
    QWidget* ParentForm() const;
    void Press(QMouseEvent* e, bool doubled);
    void RestAfterRelease();
    void BeginDrag(const QPoint& global);
    // False when a handler freed the button.
    bool EndDrag(bool drop, const QPointF& globalPos);
    void FollowAction(bool everything);
    void UpdateToolTip();
    TPicBtnState RestingState() const;
    void SetState(TPicBtnState state);
    void UncheckGroupSiblings();
    void HandFormModalResult();

    TAlignment alignment_ = taCenter;
    QPointer<TImageList> images_;
    int32_t imageIndex_ = 0;
    TPicBtnState state_ = pbNormal;
    std::unique_ptr<TListIndex> listIndex_;
    std::unique_ptr<TPadding> padding_;
    bool mouseDown_ = false;
    bool clickPending_ = false;  // a left press inside the button, not yet released
    bool enabled_ = true;
    bool rollOver_ = true;
    int32_t groupIndex_ = 0;
    bool groupBtn_ = false;
    bool checkd_ = false;
    bool downTxt_ = true;
    bool textDown_ = false;
    int32_t modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
    bool tabStop_ = true;
    TColor backColor_ = clBlack;
    TColor fontColor_ = clWindowText;
    std::string caption_;
    int shortcutId_ = 0;
    intptr_t tag_ = 0;
    QPointer<QMenu> popupMenu_;
    std::string hint_;
    bool showHint_ = false;
    QPointer<QAction> action_;
    ActionValues fromAction_;
    TDragMode dragMode_ = dmManual;
    Qt::CursorShape dragCursor_ = Qt::DragMoveCursor;
    QPoint pressedAt_;  // where the left button went down, while an automatic drag may still begin
    std::unique_ptr<ButtonDrag> drag_;
};

}  // namespace PicBtnGroup

using PicBtnGroup::TListIndex;
using PicBtnGroup::TPicBtnGroup;
using PicBtnGroup::TPicBtnState;
