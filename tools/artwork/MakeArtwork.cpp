// Draws every picture of the programs (button strips, banners, road marks, animation frames, the key of the
// password dialog) into the folder given as the only argument. The pictures are ours, made here from shapes and
// text; tools/make-artwork.sh runs this and the results are committed under artwork/.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/Jpeg.h"

namespace {

constexpr const char* JapaneseFont = "IPAPGothic";
const QColor Navy(0x1F, 0x3A, 0x68);
const QColor Sky(0x4A, 0x90, 0xD9);
const QColor Leaf(0x3C, 0xA0, 0x5A);
const QColor Amber(0xE8, 0x8A, 0x1A);
const QColor Slate(0x5A, 0x66, 0x78);

QString outDir;

QFont Font(int pixels, bool bold = true) {
    QFont font(JapaneseFont);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void Save(const QImage& image, const QString& name) {
    const QString path = outDir + "/" + name;
    if (name.endsWith(".jpg")) {
        TJPEGImage jpeg;
        jpeg.SetCompressionQuality(92);
        jpeg.Assign(image);
        jpeg.SaveToFile(path.toStdString());
    } else if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s %dx%d\n", qPrintable(name), image.width(), image.height());
}

QImage Canvas(int w, int h, QColor fill = Qt::transparent) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// One visual state of a button face.
enum class Face { Normal, Over, Down };

// A rounded button face with a vertical gradient; the pressed face is darker and its label moves down-right.
void DrawButton(QPainter& p, QRect r, QColor base, Face face, const QString& label, int textPx) {
    p.setRenderHint(QPainter::Antialiasing);
    const QColor top = face == Face::Over   ? base.lighter(135)
                       : face == Face::Down ? base.darker(125)
                                            : base.lighter(115);
    const QColor bottom = face == Face::Down ? base.darker(105) : base.darker(120);
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    const QRectF body = QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5);
    p.setPen(QPen(base.darker(160), 1.5));
    p.setBrush(gradient);
    p.drawRoundedRect(body, 7, 7);
    if (face != Face::Down) {  // a gloss on the upper half
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, face == Face::Over ? 70 : 45));
        p.drawRoundedRect(body.adjusted(3, 2, -3, -body.height() / 2), 5, 5);
    }
    if (label.isEmpty())
        return;
    p.setFont(Font(textPx));
    const QRect text = face == Face::Down ? r.translated(1, 1) : r;
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(text.translated(1, 1), Qt::AlignCenter, label);
    p.setPen(Qt::white);
    p.drawText(text, Qt::AlignCenter, label);
}

// A strip of buttons: for each label the three faces normal, mouse over, pressed.
QImage ButtonStrip(int w, int h, const std::vector<std::pair<QString, QColor>>& buttons, int textPx,
                   const std::vector<Face>& faces = {Face::Normal, Face::Over, Face::Down}) {
    QImage strip = Canvas(w * static_cast<int>(buttons.size() * faces.size()), h);
    QPainter p(&strip);
    int x = 0;
    for (const auto& [label, color] : buttons)
        for (Face face : faces) {
            DrawButton(p, QRect(x, 0, w, h), color, face, label, textPx);
            x += w;
        }
    return strip;
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, QColor color, qreal width) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPainterPath head;
    head.moveTo(to + d * width * 1.2);
    head.lineTo(to - d * width * 1.2 + n * width * 1.4);
    head.lineTo(to - d * width * 1.2 - n * width * 1.4);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(head);
}

// The trunk: a small suitcase with a handle and a band.
void DrawTrunk(QPainter& p, QRectF r, QColor color) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color.darker(170), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(r.center().x() - r.width() / 6, r.top(), r.width() / 3, r.height() / 4), 2, 2);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() / 6, r.width(), r.height() * 5 / 6), 3, 3);
    p.setBrush(color.lighter(150));
    p.drawRect(QRectF(r.left(), r.top() + r.height() * 0.5, r.width(), r.height() / 8));
}

void DrawComputer(QPainter& p, QRectF r) {
    p.setPen(QPen(Slate.darker(140), 1.5));
    p.setBrush(QColor(0xDD, 0xE6, 0xF0));
    p.drawRoundedRect(QRectF(r.left(), r.top(), r.width(), r.height() * 0.7), 3, 3);
    p.setBrush(Sky.lighter(140));
    p.drawRect(QRectF(r.left() + 4, r.top() + 4, r.width() - 8, r.height() * 0.7 - 8));
    p.setBrush(Slate);
    p.drawRect(QRectF(r.center().x() - r.width() / 8, r.top() + r.height() * 0.7, r.width() / 4, r.height() * 0.15));
    p.drawRoundedRect(QRectF(r.left() + r.width() / 5, r.top() + r.height() * 0.85, r.width() * 0.6, r.height() * 0.12),
                      2, 2);
}

void DrawServer(QPainter& p, QRectF r) {
    p.setPen(QPen(Navy.darker(130), 1.5));
    for (int i = 0; i < 3; ++i) {
        const QRectF unit(r.left(), r.top() + i * r.height() / 3, r.width(), r.height() / 3 - 2);
        p.setBrush(Slate.lighter(120 + 10 * i));
        p.drawRoundedRect(unit, 2, 2);
        p.setBrush(i == 1 ? Leaf.lighter(140) : Amber.lighter(120));
        p.drawEllipse(QPointF(unit.right() - 6, unit.center().y()), 2.5, 2.5);
    }
}

void DrawKey(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    const QColor gold(0xD4, 0xA0, 0x17);
    p.setPen(QPen(gold.darker(160), 2));
    p.setBrush(gold);
    const qreal ring = r.width() * 0.42;
    p.drawEllipse(QRectF(r.left(), r.top(), ring, ring));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(r.left() + ring * 0.32, r.top() + ring * 0.32, ring * 0.36, ring * 0.36));
    p.save();
    p.translate(r.left() + ring * 0.85, r.top() + ring * 0.85);
    p.rotate(45);
    p.setBrush(gold);
    const qreal len = r.width() * 0.72;
    p.drawRect(QRectF(0, -r.width() * 0.05, len, r.width() * 0.1));
    p.drawRect(QRectF(len * 0.62, 0, r.width() * 0.08, r.width() * 0.14));
    p.drawRect(QRectF(len * 0.82, 0, r.width() * 0.08, r.width() * 0.18));
    p.restore();
}

void MakeKey() {
    QImage key = Canvas(40, 40, Qt::white);
    QPainter p(&key);
    DrawKey(p, QRectF(3, 3, 34, 34));
    p.end();
    Save(key, "key.jpg");
}

QImage MakeBanner() {
    QImage banner = Canvas(630, 81, Qt::white);
    QPainter p(&banner);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 630, 81);
    sky.setColorAt(0, Navy);
    sky.setColorAt(1, Sky);
    p.fillRect(banner.rect(), sky);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {  // soft circles for depth
        p.setBrush(QColor(255, 255, 255, 18 + 6 * i));
        p.drawEllipse(QPointF(420 + 40 * i, 40 - 10 * (i % 3)), 30 + 6 * i, 30 + 6 * i);
    }
    DrawTrunk(p, QRectF(18, 16, 52, 46), Amber);
    p.setPen(Qt::white);
    p.setFont(Font(38));
    p.drawText(QRect(84, 6, 300, 50), Qt::AlignLeft | Qt::AlignVCenter, "Tarvo");
    p.setFont(Font(14, false));
    p.drawText(QRect(86, 52, 400, 22), Qt::AlignLeft | Qt::AlignVCenter, "トランクでファイルを安全に受け渡し");
    p.end();
    Save(banner, "banner.jpg");
    return banner;
}

// The marks sit on the banner at (470, 25): their corners show the banner behind them.
void MakeRoadMark(const QImage& banner, const QString& name, const QString& label, QColor color, bool up) {
    QImage mark = banner.copy(470, 25, 151, 49);
    QPainter p(&mark);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color.darker(140), 2));
    p.setBrush(color);
    p.drawRoundedRect(QRectF(2, 4, 147, 41), 20, 20);
    DrawArrow(p, QPointF(28, up ? 36 : 14), QPointF(28, up ? 16 : 34), Qt::white, 4);
    p.setPen(Qt::white);
    p.setFont(Font(22));
    p.drawText(QRect(48, 4, 96, 41), Qt::AlignCenter, label);
    p.end();
    Save(mark, name);
}

void MakeFolderStrip() {
    QImage strip = Canvas(230 * 2, 32);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        const QRectF r(230 * i + 1, 1, 228, 30);
        const QColor base = i == 0 ? Slate : Amber;
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, base.lighter(120));
        g.setColorAt(1, base.darker(115));
        p.setPen(QPen(base.darker(150), 1));
        p.setBrush(g);
        p.drawRoundedRect(r, 6, 6);
        // the folder symbol left of the caption, which starts 25 pixels in
        p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1));
        p.setBrush(QColor(0xF6, 0xD3, 0x6B));
        const qreal x = 230 * i + 5;
        p.drawRoundedRect(QRectF(x, 9, 8, 4), 1, 1);
        p.drawRoundedRect(QRectF(x, 11, 16, 12), 1.5, 1.5);
    }
    p.end();
    Save(strip, "folder.png");
}

// The road animations: the trunk travels between the computer and the server, 20 frames, the last one at rest.
void MakeAnimation(const QString& name, bool up) {
    constexpr int W = 300, H = 60, Frames = 20;
    QImage strip = Canvas(W * Frames, H, Qt::white);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int f = 0; f < Frames; ++f) {
        p.save();
        p.translate(W * f, 0);
        p.setClipRect(0, 0, W, H);
        DrawComputer(p, QRectF(10, 8, 56, 46));
        DrawServer(p, QRectF(W - 56, 6, 44, 50));
        p.setPen(QPen(Slate.lighter(150), 2, Qt::DotLine));
        p.drawLine(QPointF(72, 40), QPointF(W - 64, 40));
        const qreal t = static_cast<qreal>(f) / (Frames - 1);
        const qreal x = up ? 74 + t * (W - 170) : W - 96 - t * (W - 170);
        const qreal hop = 12 * std::sin(t * M_PI);
        DrawTrunk(p, QRectF(x, 18 - hop, 26, 22), Amber);
        p.restore();
    }
    p.end();
    Save(strip, name);
}

// The uninstaller's three title strips: its name, the progress heading and the closing heading.
void MakeUninstallTitles() {
    const QString titles[] = {"Tarvoのアンインストール", "削除しています", "削除が終わりました"};
    for (int i = 0; i < 3; ++i) {
        QImage title = Canvas(380, 40, Qt::white);
        QPainter p(&title);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 380, 0);
        g.setColorAt(0, i == 2 ? Leaf : Navy);
        g.setColorAt(1, Qt::white);
        p.fillRect(QRect(0, 0, 380, 40), g);
        DrawTrunk(p, QRectF(8, 7, 28, 26), Amber);
        p.setPen(Qt::white);
        p.setFont(Font(20));
        p.drawText(QRect(46, 0, 330, 40), Qt::AlignLeft | Qt::AlignVCenter, titles[i]);
        p.end();
        Save(title, QString("uninstall%1.jpg").arg(i));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);

    MakeKey();
    const QImage banner = MakeBanner();
    MakeRoadMark(banner, "upload_mark.jpg", "送信", Sky, true);
    MakeRoadMark(banner, "download_mark.jpg", "受信", Leaf, false);
    Save(ButtonStrip(
             90, 40,
             {{"戻る", Slate}, {"次へ", Sky}, {"送信開始", Sky.darker(115)}, {"受信開始", Leaf}, {"終了", Amber}}, 15),
         "navi.png");
    Save(ButtonStrip(70, 30, {{"削除", Amber}, {"参照", Slate}}, 13), "subbtn.png");
    Save(ButtonStrip(141, 58, {{"送信する", Sky}}, 20), "selup.png");
    Save(ButtonStrip(143, 60, {{"受信する", Leaf}}, 20), "seldown.png");
    Save(ButtonStrip(90, 40, {{"メニュー", Navy}}, 15, {Face::Normal}), "gomenu.png");
    MakeFolderStrip();
    MakeAnimation("anime1.png", true);
    MakeAnimation("anime2.png", false);
    // The restart prompt's buttons carry their captions themselves: faces only, in the order normal, pressed, over.
    Save(ButtonStrip(85, 38, {{"", Sky}}, 15, {Face::Normal, Face::Down, Face::Over}), "resetbtn.png");
    MakeUninstallTitles();
    return 0;
}
