#pragma once
// The class library's image list: pictures of one size, addressed by index. A picture wider than the list's
// width is cut into as many frames as fit, left to right, as a strip of button states is added in one go.

#include <QImage>
#include <QObject>

#include <vector>

class QPainter;

class TImageList : public QObject {
public:
    TImageList(int width, int height, QObject* owner = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return static_cast<int>(frames_.size()); }

    // Adds the frames of the picture (a strip of Width-wide frames; a narrower or shorter one is padded with
    // transparency). Returns the index of the first frame added, -1 for an empty picture.
    int Add(const QImage& picture);
    // Adds every frame of the picture file (PNG, or JPEG through the JPEG unit); raises EInvalidGraphic when the
    // file cannot be read.
    int AddFromFile(const QString& fileName);
    void Clear() { frames_.clear(); }

    // Draws frame index with its top-left corner at (x, y); an index out of range draws nothing.
    void Draw(QPainter& painter, int x, int y, int index) const;
    QImage Frame(int index) const;

private:
    int width_;
    int height_;
    std::vector<QImage> frames_;
};
