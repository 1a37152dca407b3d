#include "platform/qt/Graphics.h"

#include <QFile>

#include "platform/qt/Jpeg.h"

namespace {

[[noreturn]] void Refuse(const QString& fileName, const std::string& reason) {
    throw EInvalidGraphic("Cannot load the picture " + fileName.toStdString() + ": " + reason);
}

bool IsJpeg(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xD8\xFF");
}

}  // namespace

QColor ColorToQColor(TColor color) {
    if (color & 0x80000000) {
        switch (color & 0xFF) {
            case 0x05:
                return QColor(0xFF, 0xFF, 0xFF);  // window
            case 0x0F:
                return QColor(0xF0, 0xF0, 0xF0);  // button face
            case 0x10:
                return QColor(0xA0, 0xA0, 0xA0);  // button shadow
            case 0x14:
                return QColor(0xFF, 0xFF, 0xFF);  // button highlight
            default:
                return QColor(0, 0, 0);  // window text and the rest
        }
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QImage LoadPicture(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Refuse(fileName, file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (IsJpeg(bytes)) {
        TJPEGImage jpeg;
        try {
            jpeg.LoadFromBytes(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
            return jpeg.Bitmap();
        } catch (const EJPEG& e) {
            Refuse(fileName, e.Message());
        }
    }
    QImage picture = QImage::fromData(bytes);
    if (picture.isNull())
        Refuse(fileName, "not a picture");
    return picture;
}
