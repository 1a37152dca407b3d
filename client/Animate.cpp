#include "client/Animate.h"

#include "platform/qt/Graphics.h"

namespace {
constexpr int FrameIntervalMs = 80;
}  // namespace

TAnimate::TAnimate(QWidget* parent, const QString& stripFile, int frameWidth) : QLabel(parent) {
    try {
        QImage strip = LoadPicture(stripFile);
        for (int x = 0; x + frameWidth <= strip.width(); x += frameWidth)
            frames_.push_back(QPixmap::fromImage(strip.copy(x, 0, frameWidth, strip.height())));
    } catch (const EInvalidGraphic&) {
        // No frames: the control stays blank and will not play.
    }
    timer_.setInterval(FrameIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { ShowFrame((current_ + 1) % FrameCount()); });
    ShowFrame(0);
}

bool TAnimate::SetActive(bool value) {
    if (!value) {
        timer_.stop();
        ShowFrame(stopFrame_);
        return true;
    }
    if (frames_.empty())
        return false;
    timer_.start();
    return true;
}

void TAnimate::SetStopFrame(int frame) {
    stopFrame_ = frame;
    if (!Active())
        ShowFrame(frame);
}

void TAnimate::ShowFrame(int frame) {
    if (frame < 0 || frame >= FrameCount())
        return;
    current_ = frame;
    setPixmap(frames_[frame]);
}
