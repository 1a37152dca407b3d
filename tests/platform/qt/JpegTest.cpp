#include <QFile>
#include <QPainter>

#include <gtest/gtest.h>

#include "platform/qt/Graphics.h"
#include "platform/qt/Jpeg.h"
#include "tests/support/TestEnvironment.h"

namespace {

using tarvo::test::TarvoTest;

// Four flat quarters (red, green, blue, white): flat areas survive compression nearly unchanged.
QImage Quarters(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, Qt::red);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
    p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, Qt::white);
    return image;
}

std::string Compressed(const QImage& image) {
    TJPEGImage jpeg;
    jpeg.Assign(image);
    return jpeg.Data();
}

void ExpectNear(QColor actual, QColor expected) {
    EXPECT_NEAR(actual.red(), expected.red(), 24);
    EXPECT_NEAR(actual.green(), expected.green(), 24);
    EXPECT_NEAR(actual.blue(), expected.blue(), 24);
}

void ExpectQuarters(const QImage& image) {
    const int w = image.width(), h = image.height();
    ExpectNear(image.pixelColor(w / 4, h / 4), Qt::red);
    ExpectNear(image.pixelColor(3 * w / 4, h / 4), Qt::green);
    ExpectNear(image.pixelColor(w / 4, 3 * h / 4), Qt::blue);
    ExpectNear(image.pixelColor(3 * w / 4, 3 * h / 4), Qt::white);
}

TEST(Jpeg, DecodesWhatItCompressedAtFullSize) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(Compressed(Quarters(160, 96)));
    EXPECT_EQ(jpeg.Width(), 160);
    EXPECT_EQ(jpeg.Height(), 96);
    const QImage& bitmap = jpeg.Bitmap();
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB888);
    EXPECT_EQ(bitmap.size(), QSize(160, 96));
    ExpectQuarters(bitmap);
}

TEST(Jpeg, ScalesWhileDecodingAndRoundsSizesUp) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(Compressed(Quarters(161, 97)));
    const struct {
        TJPEGScale scale;
        QSize size;
    } cases[] = {{jsHalf, {81, 49}}, {jsQuarter, {41, 25}}, {jsEighth, {21, 13}}, {jsFullSize, {161, 97}}};
    for (const auto& c : cases) {
        jpeg.SetScale(c.scale);
        EXPECT_EQ(QSize(jpeg.Width(), jpeg.Height()), c.size);
        EXPECT_EQ(jpeg.Bitmap().size(), c.size) << "scale " << c.scale;
        ExpectQuarters(jpeg.Bitmap());
    }
}

TEST(Jpeg, QuantisesToAPaletteOfAtMost256Colours) {
    QImage rainbow(256, 64, QImage::Format_RGB888);
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 64; ++y)
            rainbow.setPixelColor(x, y, QColor::fromHsv(x * 359 / 255, 255 - y * 2, 255));
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(Compressed(rainbow));
    jpeg.SetPixelFormat(jf8Bit);
    const QImage& bitmap = jpeg.Bitmap();
    ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_LE(bitmap.colorCount(), 256);
    EXPECT_GT(bitmap.colorCount(), 16);
    for (int x = 8; x < 256; x += 40)
        ExpectNear(bitmap.pixelColor(x, 32), rainbow.pixelColor(x, 32));

    jpeg.LoadFromBytes(Compressed(Quarters(64, 64)));
    ExpectQuarters(jpeg.Bitmap());
}

TEST(Jpeg, GreyOutputAndGreyPictures) {
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(Compressed(Quarters(64, 64)));
    jpeg.SetGrayscale(true);
    ASSERT_EQ(jpeg.Bitmap().format(), QImage::Format_Grayscale8);
    EXPECT_GT(qGray(jpeg.Bitmap().pixel(48, 48)), 230);  // white stays light
    EXPECT_LT(qGray(jpeg.Bitmap().pixel(16, 48)), 60);   // blue is dark

    jpeg.SetPixelFormat(jf8Bit);
    ASSERT_EQ(jpeg.Bitmap().format(), QImage::Format_Indexed8);
    EXPECT_GT(qGray(jpeg.Bitmap().pixel(48, 48)), 230);
}

TEST(Jpeg, RefusesWhatIsNoPicture) {
    TJPEGImage jpeg;
    EXPECT_THROW(jpeg.LoadFromBytes(""), EJPEG);
    EXPECT_THROW(jpeg.LoadFromBytes("GIF89a not a jpeg at all"), EJPEG);
    EXPECT_THROW(jpeg.LoadFromBytes(std::string("\xFF\xD8\xFF\xE0", 4)), EJPEG);
    EXPECT_TRUE(jpeg.Empty());
    EXPECT_TRUE(jpeg.Bitmap().isNull());
    EXPECT_THROW(jpeg.Assign(QImage()), EJPEG);
}

TEST(Jpeg, APictureThatBreaksOffDecodesOrFailsCleanly) {
    const std::string whole = Compressed(Quarters(128, 128));
    for (size_t cut : {whole.size() / 2, whole.size() - 2, size_t(700)}) {
        TJPEGImage jpeg;
        try {
            jpeg.LoadFromBytes(whole.substr(0, cut));
            EXPECT_EQ(jpeg.Bitmap().size(), QSize(128, 128));
        } catch (const EJPEG&) {
        }
    }
}

// The frame header (SOF0) holds the height and width as big-endian 16-bit numbers after its precision byte.
std::string WithSize(std::string jpeg, int width, int height) {
    const size_t sof = jpeg.find("\xFF\xC0");
    EXPECT_NE(sof, std::string::npos);
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

TEST(Jpeg, RefusesAHeaderClaimingAHugePicture) {
    const std::string small = Compressed(Quarters(16, 16));
    TJPEGImage jpeg;
    EXPECT_THROW(jpeg.LoadFromBytes(WithSize(small, 60000, 60000)), EJPEG);
    jpeg.LoadFromBytes(WithSize(small, 8192, 8192));  // within the limit: the header is fine
    EXPECT_EQ(jpeg.Width(), 8192);
}

class JpegFiles : public TarvoTest {};

TEST_F(JpegFiles, SavesAndLoadsFilesAndPicturesByContent) {
    TJPEGImage jpeg;
    jpeg.SetCompressionQuality(95);
    jpeg.Assign(Quarters(40, 20));
    const std::string jpegPath = sandbox().work + "q.jpg";
    jpeg.SaveToFile(jpegPath);

    TJPEGImage loaded;
    loaded.LoadFromFile(jpegPath);
    EXPECT_EQ(loaded.Data(), jpeg.Data());
    ExpectQuarters(LoadPicture(QString::fromStdString(jpegPath)));

    const QString pngPath = QString::fromStdString(sandbox().work + "q.png");
    ASSERT_TRUE(Quarters(40, 20).save(pngPath, "PNG"));
    EXPECT_EQ(LoadPicture(pngPath).pixelColor(30, 15), QColor(Qt::white));

    EXPECT_THROW(LoadPicture(QString::fromStdString(sandbox().work + "missing.png")), EInvalidGraphic);
    tarvo::test::WriteFile(sandbox().work + "text.png", "just words");
    EXPECT_THROW(LoadPicture(QString::fromStdString(sandbox().work + "text.png")), EInvalidGraphic);
    tarvo::test::WriteFile(sandbox().work + "broken.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
    EXPECT_THROW(LoadPicture(QString::fromStdString(sandbox().work + "broken.jpg")), EInvalidGraphic);
}

TEST(Colors, ClassLibraryColoursAreBlueGreenRed) {
    EXPECT_EQ(ColorToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(0xFFF8EC), QColor(0xEC, 0xF8, 0xFF));
    EXPECT_EQ(ColorToQColor(clLime), QColor(0, 255, 0));
    EXPECT_EQ(ColorToQColor(clBtnHighlight), QColor(255, 255, 255));
    EXPECT_EQ(ColorToQColor(clBtnShadow), QColor(0xA0, 0xA0, 0xA0));
}

}  // namespace
