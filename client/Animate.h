#pragma once
// The animation control of the common controls, drawn from a strip of equal frames instead of an AVI clip:
// Active plays the frames in a loop from the Qt event loop (so it moves while blocking calls pump messages);
// stopping shows StopFrame.

#include <QLabel>
#include <QTimer>

#include <vector>

class TAnimate : public QLabel {
public:
    // The strip is cut into whole frames frameWidth wide and as high as the strip; an unreadable strip leaves none.
    TAnimate(QWidget* parent, const QString& stripFile, int frameWidth);

    bool Active() const { return timer_.isActive(); }
    // False (and nothing plays) when there are no frames to play, as a clip that cannot be opened.
    bool SetActive(bool value);
    int StopFrame() const { return stopFrame_; }
    void SetStopFrame(int frame);
    int FrameCount() const { return static_cast<int>(frames_.size()); }

private:
    void ShowFrame(int frame);

    std::vector<QPixmap> frames_;
    QTimer timer_;
    int stopFrame_ = 0;
    int current_ = 0;
};
