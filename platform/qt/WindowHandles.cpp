#include "platform/qt/WindowHandles.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include "platform/win/LayeredWindows.h"
#include "platform/win/Messages.h"

namespace {

constexpr const char* SurfaceName = "TarvoWindowSurface";

class QtSurface : public QObject, public win::LayeredSurface {
public:
    explicit QtSurface(QWidget* form) : QObject(form), form_(form) {
        setObjectName(SurfaceName);
        handle_ = win::CreateSurfaceWindow(this);
    }
    ~QtSurface() override {
        if (handle_)
            win::DestroyWindow(handle_);
    }

    win::HWND Handle() const { return handle_; }

    void SetLayering(std::optional<win::COLORREF> colorKey, win::BYTE opacity) override {
        colorKey_ = colorKey;
        form_->setWindowOpacity(opacity / 255.0);
        if (colorKey_) {
            form_->installEventFilter(this);
            UpdateMask();
        } else {
            form_->removeEventFilter(this);
            form_->clearMask();
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == form_ && (e->type() == QEvent::Show || e->type() == QEvent::Resize))
            UpdateMask();
        return false;
    }

private:
    // Every pixel of the key colour is left out of the window.
    void UpdateMask() {
        form_->clearMask();
        if (!form_->isVisible() || form_->size().isEmpty())
            return;
        QImage shown = form_->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (shown.size() != form_->size())
            shown = shown.scaled(form_->size());
        const win::COLORREF key = *colorKey_;
        const QRgb rgb = qRgb(key & 0xFF, (key >> 8) & 0xFF, (key >> 16) & 0xFF);
        // The region takes the set bits of the mono picture, which MaskInColor gives every other colour.
        form_->setMask(QRegion(QBitmap::fromImage(shown.createMaskFromColor(rgb, Qt::MaskInColor))));
    }

    QWidget* form_;
    win::HWND handle_ = 0;
    std::optional<win::COLORREF> colorKey_;
};

}  // namespace

win::HWND FormHandle(QWidget* form) {
    auto* surface = dynamic_cast<QtSurface*>(form->findChild<QObject*>(SurfaceName, Qt::FindDirectChildrenOnly));
    if (!surface)
        surface = new QtSurface(form);
    return surface->Handle();
}
