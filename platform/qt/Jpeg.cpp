#include "platform/qt/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "platform/rtl/AtomicFile.h"

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. It jumps back to the setjmp of the
// routine that drives the codec; those routines keep every piece of state in a Codec object outside their own
// frame, so nothing is left half-built by the jump.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnFatalError(j_common_ptr codec) {
    auto* err = reinterpret_cast<ErrorManager*>(codec->err);
    (*codec->err->format_message)(codec, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a picture that breaks off early is finished in grey) are not worth a line on standard error.
void OnMessage(j_common_ptr, int) {}

void InitErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnFatalError;
    err.pub.emit_message = OnMessage;
    err.message[0] = '\0';
}

[[noreturn]] void RaiseJpeg(const char* message) {
    throw EJPEG(std::string("JPEG error: ") + message);
}

int Denominator(TJPEGScale scale) {
    return 1 << static_cast<int>(scale);
}

struct Decompressor {
    jpeg_decompress_struct info;
    ErrorManager err;
    QImage image;
    const char* refusal = nullptr;  // a reason of our own to stop, beside libjpeg's

    Decompressor() {
        std::memset(&info, 0, sizeof info);
        InitErrors(err);
        info.err = &err.pub;
        jpeg_create_decompress(&info);
    }
    ~Decompressor() { jpeg_destroy_decompress(&info); }
};

void CheckSize(Decompressor& d) {
    if (int64_t(d.info.image_width) * d.info.image_height > TJPEGImage::MaxPixels)
        d.refusal = "the picture is too large";
    else if (d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK)
        d.refusal = "CMYK pictures are not supported";
}

// Reads the header only; false with the reason in d when the bytes are not a picture we take.
bool ReadHeader(Decompressor& d, std::string_view bytes) {
    if (setjmp(d.err.jump))
        return false;
    jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.info, TRUE);
    CheckSize(d);
    return d.refusal == nullptr;
}

QImage NewOutputImage(const jpeg_decompress_struct& info) {
    const int w = static_cast<int>(info.output_width);
    const int h = static_cast<int>(info.output_height);
    if (info.quantize_colors) {
        QImage image(w, h, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < info.actual_number_of_colors; ++i) {
            auto c = [&](int component) { return info.colormap[info.out_color_components == 1 ? 0 : component][i]; };
            table.append(qRgb(c(0), c(1), c(2)));
        }
        image.setColorTable(table);
        return image;
    }
    return QImage(w, h, info.out_color_space == JCS_GRAYSCALE ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
}

bool Decode(Decompressor& d, std::string_view bytes, TJPEGScale scale, TJPEGPixelFormat format, bool grayscale) {
    if (!ReadHeader(d, bytes))
        return false;
    if (setjmp(d.err.jump))
        return false;
    d.info.scale_num = 1;
    d.info.scale_denom = Denominator(scale);
    d.info.out_color_space = grayscale || d.info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    if (format == jf8Bit) {
        d.info.quantize_colors = TRUE;
        d.info.desired_number_of_colors = 256;
        d.info.two_pass_quantize = TRUE;
        d.info.dither_mode = JDITHER_FS;
    }
    jpeg_start_decompress(&d.info);
    d.image = NewOutputImage(d.info);
    if (d.image.isNull()) {
        d.refusal = "not enough memory for the picture";
        return false;
    }
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = d.image.scanLine(static_cast<int>(d.info.output_scanline));
        jpeg_read_scanlines(&d.info, &row, 1);
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

struct Compressor {
    jpeg_compress_struct info;
    ErrorManager err;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;

    Compressor() {
        std::memset(&info, 0, sizeof info);
        InitErrors(err);
        info.err = &err.pub;
        jpeg_create_compress(&info);
    }
    ~Compressor() {
        jpeg_destroy_compress(&info);
        std::free(out);
    }
};

bool Encode(Compressor& c, const QImage& rgb, int quality) {
    if (setjmp(c.err.jump))
        return false;
    jpeg_mem_dest(&c.info, &c.out, &c.outSize);
    c.info.image_width = static_cast<JDIMENSION>(rgb.width());
    c.info.image_height = static_cast<JDIMENSION>(rgb.height());
    c.info.input_components = 3;
    c.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, quality, TRUE);
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(c.info.next_scanline)));
        jpeg_write_scanlines(&c.info, &row, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

}  // namespace

void TJPEGImage::SetData(std::string data) {
    Decompressor d;
    if (!ReadHeader(d, data))
        RaiseJpeg(d.refusal ? d.refusal : d.err.message);
    fullWidth_ = static_cast<int>(d.info.image_width);
    fullHeight_ = static_cast<int>(d.info.image_height);
    data_ = std::move(data);
    Changed();
}

void TJPEGImage::LoadFromBytes(std::string_view bytes) {
    SetData(std::string(bytes));
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    std::string bytes(static_cast<size_t>(stream.Size() - stream.Position()), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    SetData(std::move(bytes));
}

void TJPEGImage::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TJPEGImage::Assign(const QImage& picture) {
    if (picture.isNull())
        RaiseJpeg("there is no picture to compress");
    Compressor c;
    if (!Encode(c, picture.convertToFormat(QImage::Format_RGB888), quality_))
        RaiseJpeg(c.err.message);
    SetData(std::string(reinterpret_cast<const char*>(c.out), c.outSize));
}

void TJPEGImage::SaveToStream(TStream& stream) const {
    if (data_.empty())
        RaiseJpeg("there is no picture to save");
    stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TJPEGImage::SaveToFile(const std::string& fileName) const {
    AtomicFile file(fileName);
    SaveToStream(file);
    file.Commit();
}

int TJPEGImage::Width() const {
    return (fullWidth_ + Denominator(scale_) - 1) / Denominator(scale_);
}
int TJPEGImage::Height() const {
    return (fullHeight_ + Denominator(scale_) - 1) / Denominator(scale_);
}

void TJPEGImage::SetScale(TJPEGScale scale) {
    Store(scale_, scale);
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
    Store(pixelFormat_, format);
}

void TJPEGImage::SetGrayscale(bool grayscale) {
    Store(grayscale_, grayscale);
}

void TJPEGImage::SetCompressionQuality(int quality) {
    quality_ = quality < 1 ? 1 : quality > 100 ? 100 : quality;
}

const QImage& TJPEGImage::Bitmap() const {
    if (bitmap_.isNull() && !data_.empty()) {
        Decompressor d;
        if (!Decode(d, data_, scale_, pixelFormat_, grayscale_))
            RaiseJpeg(d.refusal ? d.refusal : d.err.message);
        bitmap_ = std::move(d.image);
    }
    return bitmap_;
}
