#include "controls/PicBtnGroup.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <optional>
#include <utility>

namespace PicBtnGroup {

namespace {

constexpr const char* RouterName = "PicBtnGroupKeyRouter";

// The character after a single "&" of the caption ("&&" stands for "&" itself); null when there is none.
QChar Accelerator(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return text[i + 1];
        ++i;
    }
    return QChar();
}

// Keys and characters the focused control leaves unhandled travel up to its window; there they are offered to
// the window's picture buttons in child order, as a form offers dialog keys and accelerators to its controls.
// (Alt and an accelerator arrive as the button's own shortcut instead.)
class FormKeyRouter : public QObject {
public:
    explicit FormKeyRouter(QWidget* form) : QObject(form) {
        setObjectName(RouterName);
        form->installEventFilter(this);
    }

    static void AttachTo(QWidget* form) {
        if (!form->findChild<QObject*>(RouterName, Qt::FindDirectChildrenOnly))
            new FormKeyRouter(form);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        const auto buttons = static_cast<QWidget*>(watched)->findChildren<TPicBtnGroup*>();
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape) {
            for (TPicBtnGroup* button : buttons)
                if (button->DialogKey(key->key(), key->modifiers()))
                    return true;
            return false;
        }
        const QChar character = CharacterOf(*key);
        if (character.isNull())
            return false;
        for (TPicBtnGroup* button : buttons)
            if (button->DialogChar(character))
                return true;
        return false;
    }

private:
    static QChar CharacterOf(const QKeyEvent& key) {
        if (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
            return QChar();
        if (!key.text().isEmpty() && key.text()[0].isPrint())
            return key.text()[0];
        // With Alt held some platforms give no text: letters and digits still come as their key codes.
        const int code = key.key();
        if ((code >= Qt::Key_A && code <= Qt::Key_Z) || (code >= Qt::Key_0 && code <= Qt::Key_9))
            return QChar(code);
        return QChar();
    }
};

}  // namespace

// A button dragged across the application's controls, the way the class library drags within a program: at every
// move the picture button under the mouse is asked whether it takes the drag, and a release over one that said
// yes drops it there. While the drag lasts the cursor tells whether the control under it takes the drag.
class ButtonDrag {
public:
    ButtonDrag(TPicBtnGroup* source, Qt::CursorShape cursor) : source_(source), cursor_(cursor) {
        QApplication::setOverrideCursor(Qt::ForbiddenCursor);
    }
    ~ButtonDrag() { QApplication::restoreOverrideCursor(); }
    ButtonDrag(const ButtonDrag&) = delete;
    ButtonDrag& operator=(const ButtonDrag&) = delete;

    void MoveTo(const QPoint& global) {
        TPicBtnGroup* under = TargetAt(global);
        if (under != target_) {
            Leave();
            target_ = under;
            accepted_ = under && under->DragOver(source_, under->mapFromGlobal(global), dsDragEnter);
        } else if (target_) {
            accepted_ = target_->DragOver(source_, target_->mapFromGlobal(global), dsDragMove);
        }
        last_ = global;
        QApplication::changeOverrideCursor(accepted_ ? cursor_ : Qt::ForbiddenCursor);
    }

    // Ends the drag, dropping it at the point when asked to and the control there takes it. Gives the control
    // that took the drop (null when none did) and the point in its coordinates.
    std::pair<QObject*, QPoint> Finish(bool drop, const QPoint& global) {
        if (drop && global != last_)
            MoveTo(global);
        if (!drop || !accepted_ || !target_) {
            Leave();
            return {nullptr, QPoint()};
        }
        QPointer<TPicBtnGroup> target = target_;
        const QPoint at = target->mapFromGlobal(last_);
        target->DragDrop(source_, at);
        return {target.data(), at};
    }

private:
    static TPicBtnGroup* TargetAt(const QPoint& global) {
        auto* under = qobject_cast<TPicBtnGroup*>(QApplication::widgetAt(global));
        return under && under->Enabled() ? under : nullptr;
    }

    void Leave() {
        if (target_)
            target_->DragOver(source_, target_->mapFromGlobal(last_), dsDragLeave);
        target_ = nullptr;
        accepted_ = false;
    }

    QPointer<TPicBtnGroup> source_;
    QPointer<TPicBtnGroup> target_;
    bool accepted_ = false;
    QPoint last_;
    Qt::CursorShape cursor_;
};

void TListIndex::SetNormal(int32_t value) {
    if (value == normal_)
        return;
    normal_ = value;
    if (owner_)
        owner_->repaint();
}

void TListIndex::Assign(const TListIndex& source) {
    normal_ = source.normal_;
    mOver_ = source.mOver_;
    mDown_ = source.mDown_;
    focus_ = source.focus_;
    check_ = source.check_;
    enabled_ = source.enabled_;
    if (owner_)
        owner_->repaint();
}

int32_t TListIndex::ForState(TPicBtnState state) const {
    switch (state) {
        case pbMOver:
            return mOver_;
        case pbMDown:
            return mDown_;
        case pbFocus:
            return focus_;
        case pbCheck:
            return check_;
        case pbDisabled:
            return enabled_;
        case pbNormal:
            break;
    }
    return normal_;
}

TPicBtnGroup::TPicBtnGroup(QWidget* parent)
    : QWidget(parent), listIndex_(std::make_unique<TListIndex>(this)), padding_(std::make_unique<TPadding>(this)) {
    resize(100, 30);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);  // OnMouseMove also runs with no button held
    if (parent)
        FormKeyRouter::AttachTo(window());
}

TPicBtnGroup::~TPicBtnGroup() = default;

void TPicBtnGroup::SetAlignment(TAlignment value) {
    if (value == alignment_)
        return;
    alignment_ = value;
    update();
}

void TPicBtnGroup::SetBackColor(TColor value) {
    if (value == backColor_)
        return;
    backColor_ = value;
    update();
}

void TPicBtnGroup::SetFontColor(TColor value) {
    if (value == fontColor_)
        return;
    fontColor_ = value;
    update();
}

void TPicBtnGroup::SetCaption(const std::string& value) {
    caption_ = value;
    // Alt and the accelerator reach the button whatever control has the focus, before that control sees the key.
    if (shortcutId_ != 0)
        releaseShortcut(shortcutId_);
    const QKeySequence mnemonic = QKeySequence::mnemonic(QString::fromStdString(value));
    shortcutId_ = mnemonic.isEmpty() ? 0 : grabShortcut(mnemonic);
    update();
}

void TPicBtnGroup::SetImages(TImageList* value) {
    images_ = value;
    update();
}

void TPicBtnGroup::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    if (value) {
        state_ = pbNormal;
        checkd_ = false;
    } else {
        state_ = pbDisabled;
        SetTabStop(false);
    }
    enabled_ = value;
    setEnabled(value);
    update();
}

void TPicBtnGroup::SetCheckd(bool value) {
    if (value == checkd_)
        return;
    checkd_ = value;
    if (value && groupBtn_)
        UncheckGroupSiblings();
    SetState(value ? pbCheck : pbNormal);
}

void TPicBtnGroup::SetGroupBtn(bool value) {
    if (value == groupBtn_)
        return;
    groupBtn_ = value;
    SetTabStop(!value);
    rollOver_ = !value;
    groupIndex_ = value ? 1 : 0;
}

void TPicBtnGroup::SetDefault(bool value) {
    default_ = value;
    QWidget* form = ParentForm();
    if (!form || !testAttribute(Qt::WA_WState_Created))
        return;
    FocusChangedEvent notice(form->focusWidget());
    QCoreApplication::sendEvent(form, &notice);
}

void TPicBtnGroup::SetHint(const std::string& value) {
    hint_ = value;
    UpdateToolTip();
}

void TPicBtnGroup::SetShowHint(bool value) {
    showHint_ = value;
    UpdateToolTip();
}

void TPicBtnGroup::UpdateToolTip() {
    setToolTip(showHint_ ? QString::fromStdString(hint_) : QString());
}

void TPicBtnGroup::SetAction(QAction* value) {
    if (action_)
        disconnect(action_, nullptr, this, nullptr);
    action_ = value;
    if (!value)
        return;
    connect(value, &QAction::changed, this, [this] { FollowAction(false); });
    FollowAction(true);
}

void TPicBtnGroup::FollowAction(bool everything) {
    const ActionValues now{action_->text().toStdString(), action_->toolTip().toStdString(), action_->isEnabled(),
                           action_->isVisible()};
    if (everything || now.caption != fromAction_.caption)
        SetCaption(now.caption);
    if (everything || now.hint != fromAction_.hint)
        SetHint(now.hint);
    if (everything || now.enabled != fromAction_.enabled)
        SetEnabled(now.enabled);
    if (everything || now.visible != fromAction_.visible)
        setVisible(now.visible);
    fromAction_ = now;
}

void TPicBtnGroup::SetTabStop(bool value) {
    tabStop_ = value;
    // A button off the tab order still takes the focus when pressed.
    setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

void TPicBtnGroup::UncheckGroupSiblings() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    for (QObject* child : parent->children()) {
        auto* sibling = qobject_cast<TPicBtnGroup*>(child);
        if (sibling && sibling != this && sibling->groupIndex_ == groupIndex_)
            sibling->SetCheckd(false);
    }
}

TPicBtnState TPicBtnGroup::RestingState() const {
    if (checkd_)
        return pbCheck;
    return hasFocus() ? pbFocus : pbNormal;
}

void TPicBtnGroup::SetState(TPicBtnState state) {
    state_ = state;
    update();
}

QWidget* TPicBtnGroup::ParentForm() const {
    QWidget* form = window();
    return form == this ? nullptr : form;
}

void TPicBtnGroup::HandFormModalResult() {
    QWidget* form = window();
    form->setProperty("ModalResult", modalResult_);
    auto* dialog = qobject_cast<QDialog*>(form);
    if (dialog && modalResult_ != 0 && dialog->isModal())
        dialog->done(modalResult_);
}

void TPicBtnGroup::Click() {
    const bool onForm = ParentForm() != nullptr;
    if (!enabled_ && !onForm)
        return;
    QPointer<TPicBtnGroup> self(this);
    if (onForm)
        HandFormModalResult();
    if (!self)
        return;
    SetCheckd(!checkd_);
    if (OnClick)
        OnClick(this);
    else if (action_)
        action_->trigger();
}

bool TPicBtnGroup::DialogKey(int key, Qt::KeyboardModifiers modifiers) {
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!((enter && default_) || (key == Qt::Key_Escape && cancel_)))
        return false;
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (!isVisible() || !isEnabled())
        return false;
    Click();
    return true;
}

bool TPicBtnGroup::DialogChar(QChar character) {
    const QChar accelerator = Accelerator(caption_);
    if (accelerator.isNull() || accelerator.toUpper() != character.toUpper())
        return false;
    if (!enabled_ || !isVisible())
        return false;
    Click();
    return true;
}

bool TPicBtnGroup::DragOver(QObject* source, QPoint at, TDragState state) {
    bool accept = static_cast<bool>(OnDragOver);
    if (OnDragOver)
        OnDragOver(this, source, at.x(), at.y(), state, accept);
    return accept;
}

void TPicBtnGroup::DragDrop(QObject* source, QPoint at) {
    if (OnDragDrop)
        OnDragDrop(this, source, at.x(), at.y());
}

bool TPicBtnGroup::event(QEvent* e) {
    if (e->type() == QEvent::Shortcut) {
        DialogChar(Accelerator(caption_));
        return true;
    }
    // The window may only be complete once the button is shown; the router attaches once per window.
    if ((e->type() == QEvent::ParentChange || e->type() == QEvent::Show) && window() != this)
        FormKeyRouter::AttachTo(window());
    return QWidget::event(e);
}

void TPicBtnGroup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ColorToQColor(backColor_));
    imageIndex_ = listIndex_->ForState(state_);
    if (images_ && imageIndex_ >= 0 && imageIndex_ < images_->Count()) {
        images_->Draw(painter, 0, 0, imageIndex_);
        if (size() != QSize(images_->Width(), images_->Height()))
            resize(images_->Width(), images_->Height());
    }
    QRect text = padding_->Inside(rect());
    const int flags = controls::SingleLineCaptionFlags(alignment_);
    if (textDown_)
        text.translate(1, 1);
    painter.setFont(font());
    const QString caption = QString::fromStdString(caption_);
    if (enabled_) {
        painter.setPen(ColorToQColor(fontColor_));
        painter.drawText(text, flags, caption);
        return;
    }
    painter.setPen(ColorToQColor(clBtnHighlight));
    painter.drawText(text.translated(1, 1), flags, caption);
    painter.setPen(ColorToQColor(clBtnShadow));
    painter.drawText(text, flags, caption);
}

void TPicBtnGroup::enterEvent(QEnterEvent* e) {
    QWidget::enterEvent(e);
    if (!enabled_ || !Fire(OnMouseEnter))
        return;
    if (rollOver_)
        SetState(pbMOver);
}

void TPicBtnGroup::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    if (!enabled_ || !Fire(OnMouseLeave))
        return;
    mouseDown_ = false;
    if (downTxt_)
        textDown_ = false;
    if (rollOver_)
        SetState(RestingState());
}

void TPicBtnGroup::Press(QMouseEvent* e, bool doubled) {
    const std::optional<TMouseButton> button = MouseButtonOf(e->button());
    if (!enabled_ || !button)
        return;
    const QPoint at = e->position().toPoint();
    const TShiftState shift = ShiftStateOf(e->modifiers(), e->buttons()) | (doubled ? ssDouble : 0);
    if (!Fire(OnMouseDown, *button, shift, at.x(), at.y()) || !enabled_)
        return;
    setFocus(Qt::MouseFocusReason);
    mouseDown_ = true;
    if (downTxt_)
        textDown_ = true;
    if (*button == mbLeft) {
        clickPending_ = !doubled;
        pressedAt_ = at;
    }
    if (listIndex_->MDown() != listIndex_->Normal())
        state_ = pbMDown;
    update();
}

void TPicBtnGroup::mousePressEvent(QMouseEvent* e) {
    Press(e, false);
}

// The second press of a double click is a press like any other, but its release is no second click.
void TPicBtnGroup::mouseDoubleClickEvent(QMouseEvent* e) {
    if (enabled_ && e->button() == Qt::LeftButton && !Fire(OnDblClick))
        return;
    Press(e, true);
}

void TPicBtnGroup::mouseReleaseEvent(QMouseEvent* e) {
    const std::optional<TMouseButton> button = MouseButtonOf(e->button());
    if (!enabled_ || !button)
        return;
    QPointer<TPicBtnGroup> self(this);
    if (drag_ && *button == mbLeft) {
        // The release belongs to the drag: no click and no mouse-up of the button's own.
        EndDrag(true, e->globalPosition());
    } else {
        const QPoint at = e->position().toPoint();
        if (*button == mbLeft) {
            const bool click = clickPending_ && rect().contains(at);
            clickPending_ = false;
            if (click)
                Click();
        }
        // OnClick may have freed or disabled the button.
        if (self && enabled_)
            Fire(OnMouseUp, *button, ShiftStateOf(e->modifiers(), e->buttons()), at.x(), at.y());
    }
    if (self && enabled_)
        RestAfterRelease();
}

void TPicBtnGroup::RestAfterRelease() {
    SetState(rollOver_ && mouseDown_ ? pbMOver : RestingState());
    mouseDown_ = false;
    if (downTxt_)
        textDown_ = false;
}

void TPicBtnGroup::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (drag_) {
        drag_->MoveTo(e->globalPosition().toPoint());
        return;
    }
    const bool startsDrag = clickPending_ && dragMode_ == dmAutomatic && (e->buttons() & Qt::LeftButton) &&
                            (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance();
    if (startsDrag) {
        BeginDrag(e->globalPosition().toPoint());
        return;
    }
    Fire(OnMouseMove, ShiftStateOf(e->modifiers(), e->buttons()), at.x(), at.y());
}

void TPicBtnGroup::BeginDrag(const QPoint& global) {
    clickPending_ = false;
    if (!Fire(OnStartDrag))
        return;
    drag_ = std::make_unique<ButtonDrag>(this, dragCursor_);
    drag_->MoveTo(global);
}

bool TPicBtnGroup::EndDrag(bool drop, const QPointF& globalPos) {
    // Held here: a drop handler may free this button, and the drag with it.
    const std::unique_ptr<ButtonDrag> drag = std::move(drag_);
    QPointer<TPicBtnGroup> self(this);
    const auto [target, at] = drag->Finish(drop, globalPos.toPoint());
    return self && Fire(OnEndDrag, target, at.x(), at.y());
}

void TPicBtnGroup::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    if ((!enabled_ && !tabStop_) || !Fire(OnEnter))
        return;
    if (state_ != pbMOver)
        SetState(pbFocus);
}

void TPicBtnGroup::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    // Whatever took the focus (another window, a menu) also takes the mouse from a drag.
    if (drag_ && !EndDrag(false, QPointF()))
        return;
    if ((!enabled_ && !tabStop_) || !Fire(OnExit))
        return;
    if (!checkd_)
        SetState(pbNormal);
}

void TPicBtnGroup::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Fire(OnResize);
}

void TPicBtnGroup::contextMenuEvent(QContextMenuEvent* e) {
    if (!popupMenu_) {
        e->ignore();  // the parent's menu, if any
        return;
    }
    popupMenu_->popup(e->globalPos());
}

void TPicBtnGroup::keyPressEvent(QKeyEvent* e) {
    if (enabled_ && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        e->accept();
        Click();
        return;
    }
    QWidget::keyPressEvent(e);
}

}  // namespace PicBtnGroup
