#pragma once
// The class library's types that the controls' mouse and drag events carry, read from Qt's events, and the
// notice a form gets when something that decides its default button changed.

#include <QEvent>

#include <cstdint>
#include <optional>

class QWidget;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// The keys and mouse buttons held during a mouse event, as a set of the flags below.
using TShiftState = uint8_t;
enum : TShiftState {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40
};

// Where a drag stands with respect to the control it is offered to.
enum TDragState : uint8_t { dsDragEnter, dsDragLeave, dsDragMove };

// Whether pressing and moving the mouse drags the control (automatic), or nothing does (manual).
enum TDragMode : uint8_t { dmManual, dmAutomatic };

// The class library's mouse button for Qt's; none for the buttons it does not know (back, forward).
std::optional<TMouseButton> MouseButtonOf(Qt::MouseButton button);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// Sent to a form, carrying its active control, so that it may look again at which button Enter clicks.
class FocusChangedEvent : public QEvent {
public:
    explicit FocusChangedEvent(QWidget* activeControl) : QEvent(EventType()), activeControl_(activeControl) {}

    static QEvent::Type EventType();
    QWidget* ActiveControl() const { return activeControl_; }

private:
    QWidget* activeControl_;
};
