#pragma once
// An invisible holder that lets a form own a picture and its size; the form hands the pictures on to what draws
// them (the uninstaller fills its image list from three of these).

#include <QImage>
#include <QObject>

#include <cstdint>

class TSingleImage : public QObject {
public:
    explicit TSingleImage(QObject* owner = nullptr) : QObject(owner) {}

    int32_t Width() const { return width_; }
    void SetWidth(int32_t value) { width_ = value; }
    int32_t Height() const { return height_; }
    void SetHeight(int32_t value) { height_ = value; }
    const QImage& Picture() const { return picture_; }
    // Copies the picture and takes its size.
    void SetPicture(const QImage& value);

private:
    int32_t width_ = 16;
    int32_t height_ = 16;
    QImage picture_;
};
