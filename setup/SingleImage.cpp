#include "setup/SingleImage.h"

void TSingleImage::SetPicture(const QImage& value) {
    picture_ = value.copy();
    width_ = picture_.width();
    height_ = picture_.height();
}
