#include "controls/PicBtnGroup.h"

#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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

void TPicBtnGroup::HandFormModalResult() {
    QWidget* form = window();
    form->setProperty("ModalResult", modalResult_);
    auto* dialog = qobject_cast<QDialog*>(form);
    if (dialog && modalResult_ != 0 && dialog->isModal())
        dialog->done(modalResult_);
}

void TPicBtnGroup::Click() {
    const bool onForm = window() != this;
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
    if (!enabled_)
        return;
    if (OnMouseEnter)
        OnMouseEnter(this);
    if (rollOver_)
        SetState(pbMOver);
}

void TPicBtnGroup::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    if (!enabled_)
        return;
    if (OnMouseLeave)
        OnMouseLeave(this);
    mouseDown_ = false;
    if (downTxt_)
        textDown_ = false;
    if (rollOver_)
        SetState(RestingState());
}

void TPicBtnGroup::Press(QMouseEvent* e, bool startsClick) {
    if (!enabled_)
        return;
    setFocus(Qt::MouseFocusReason);
    mouseDown_ = true;
    if (downTxt_)
        textDown_ = true;
    if (e->button() == Qt::LeftButton)
        clickPending_ = startsClick;
    if (listIndex_->MDown() != listIndex_->Normal())
        state_ = pbMDown;
    update();
}

void TPicBtnGroup::mousePressEvent(QMouseEvent* e) {
    Press(e, true);
}

// The second press of a double click is a press like any other, but its release is no second click.
void TPicBtnGroup::mouseDoubleClickEvent(QMouseEvent* e) {
    Press(e, false);
}

void TPicBtnGroup::mouseReleaseEvent(QMouseEvent* e) {
    if (!enabled_)
        return;
    if (e->button() == Qt::LeftButton) {
        const bool click = clickPending_ && rect().contains(e->position().toPoint());
        clickPending_ = false;
        if (click) {
            QPointer<TPicBtnGroup> self(this);
            Click();
            // OnClick may have freed or disabled the button.
            if (!self || !enabled_)
                return;
        }
    }
    SetState(rollOver_ && mouseDown_ ? pbMOver : RestingState());
    mouseDown_ = false;
    if (downTxt_)
        textDown_ = false;
}

void TPicBtnGroup::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    if (!enabled_ && !tabStop_)
        return;
    if (state_ != pbMOver)
        SetState(pbFocus);
}

void TPicBtnGroup::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    if (!enabled_ && !tabStop_)
        return;
    if (!checkd_)
        SetState(pbNormal);
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
