#pragma once
// The class library's JPEG picture over libjpeg: it keeps the compressed bytes and decodes them on demand at
// the chosen scale (full, 1/2, 1/4, 1/8) into 24-bit colour, 8-bit grey, or 256 colours quantised for
// palette displays, reading scan line by scan line. Assigning a QImage and saving compresses it.

#include <QImage>

#include <string>
#include <string_view>

#include "platform/qt/Graphics.h"
#include "platform/rtl/Streams.h"

// Data that libjpeg cannot decode or encode; the message carries libjpeg's own text.
TARVO_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic);

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage {
public:
    // Largest picture accepted, in pixels at full size: a broken or hostile header cannot make us allocate more.
    static constexpr int64_t MaxPixels = int64_t(1) << 26;

    // Raise EJPEG when the bytes are not a JPEG picture (only the header is read here) or the picture is larger
    // than MaxPixels; the file forms raise the stream's exceptions when the file cannot be read.
    void LoadFromBytes(std::string_view bytes);
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);

    // Compressed with CompressionQuality; raises EJPEG when there is no picture.
    void Assign(const QImage& picture);
    void SaveToStream(TStream& stream) const;
    void SaveToFile(const std::string& fileName) const;  // written atomically
    const std::string& Data() const { return data_; }

    bool Empty() const { return data_.empty(); }
    // Size of the picture as decoded at the current scale.
    int Width() const;
    int Height() const;

    TJPEGScale Scale() const { return scale_; }
    void SetScale(TJPEGScale scale);
    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TJPEGPixelFormat format);
    bool Grayscale() const { return grayscale_; }
    void SetGrayscale(bool grayscale);
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int quality);  // 1..100, clamped

    // The decoded picture: RGB888, Grayscale8, or Indexed8 with at most 256 colours for jf8Bit. Decoded once per
    // setting; raises EJPEG when the data breaks off in a way libjpeg cannot recover from. Null when Empty.
    const QImage& Bitmap() const;

private:
    void SetData(std::string data);
    void Changed() { bitmap_ = QImage(); }
    // A decoding setting: a changed value drops the decoded picture.
    template <class T>
    void Store(T& field, T value) {
        if (field == value)
            return;
        field = value;
        Changed();
    }

    std::string data_;
    int fullWidth_ = 0;
    int fullHeight_ = 0;
    TJPEGScale scale_ = jsFullSize;
    TJPEGPixelFormat pixelFormat_ = jf24Bit;
    bool grayscale_ = false;
    int quality_ = 90;
    mutable QImage bitmap_;
};
