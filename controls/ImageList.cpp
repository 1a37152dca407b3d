#include "controls/ImageList.h"

#include <QPainter>

#include "platform/qt/Graphics.h"

TImageList::TImageList(int width, int height, QObject* owner) : QObject(owner), width_(width), height_(height) {}

int TImageList::Add(const QImage& picture) {
    if (picture.isNull() || width_ <= 0 || height_ <= 0)
        return -1;
    const int first = Count();
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < source.width(); x += width_) {
        QImage frame(width_, height_, QImage::Format_ARGB32_Premultiplied);
        frame.fill(Qt::transparent);
        QPainter painter(&frame);
        painter.drawImage(0, 0, source, x, 0, width_, height_);
        frames_.push_back(std::move(frame));
    }
    return first;
}

int TImageList::AddFromFile(const QString& fileName) {
    return Add(LoadPicture(fileName));
}

void TImageList::Draw(QPainter& painter, int x, int y, int index) const {
    if (index < 0 || index >= Count())
        return;
    painter.drawImage(x, y, frames_[static_cast<size_t>(index)]);
}

QImage TImageList::Frame(int index) const {
    if (index < 0 || index >= Count())
        return QImage();
    return frames_[static_cast<size_t>(index)];
}
