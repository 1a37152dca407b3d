#include "setup/Unit_ResetForm.h"

#include <QLabel>
#include <QScreen>

#include "artwork/Artwork.h"
#include "platform/qt/Forms.h"
#include "platform/qt/WindowHandles.h"
#include "platform/win/LayeredWindows.h"
#include "platform/win/Modules.h"
#include "setup/Unit_Command.h"

namespace {

constexpr TColor PanelFillColor = 16775404;  // $FFF7EC

using SetLayeredWindowAttributesProc = win::BOOL (*)(win::HWND, win::COLORREF, win::BYTE, win::DWORD);

QFont PixelFont(int pixels) {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(pixels);
    return font;
}

QWidget* WhiteShape(QWidget* parent, const char* name, QRect geometry) {
    auto* shape = new QWidget(parent);
    shape->setObjectName(name);
    shape->setGeometry(geometry);
    SetFormColor(shape, Qt::white);
    return shape;
}

QLabel* TransparentLabel(QWidget* parent, const char* name, const char* caption, QPoint at) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    label->setFont(PixelFont(16));
    label->move(at);
    label->adjustSize();
    return label;
}

TPicBtnGroup* RestartButton(QWidget* parent, const char* name, const char* caption, QPoint at, TImageList* images) {
    auto* button = new TPicBtnGroup(parent);
    button->setObjectName(name);
    button->setGeometry(QRect(at, QSize(85, 38)));
    button->setFont(PixelFont(15));
    button->SetBackColor(PanelFillColor);
    button->SetAlignment(PicBtnGroup::taCenter);
    button->SetImages(images);
    button->ListIndex().SetNormal(0);
    button->ListIndex().SetMOver(2);
    button->ListIndex().SetMDown(1);
    button->SetCaption(caption);
    return button;
}

}  // namespace

TResetForm::TResetForm(QWidget* owner) : QDialog(owner, Qt::FramelessWindowHint) {
    setObjectName("ResetForm");
    setAttribute(Qt::WA_DeleteOnClose);  // the close action frees the window
    setFixedSize(404, 179);
    setFont(PixelFont(12));
    SetFormColor(this, ColorToQColor(clLime));

    ImageList1 = new TImageList(85, 38, this);
    ImageList1->AddFromFile(ArtworkPath("resetbtn.png"));

    ShapePanel1 = new TShapePanel(this);
    ShapePanel1->setObjectName("ShapePanel1");
    ShapePanel1->setGeometry(4, 0, 397, 175);
    ShapePanel1->SetAlignment(ShapePanel::taCenter);
    ShapePanel1->SetFillColor(PanelFillColor);
    ShapePanel1->SetParentColor(true);
    Shape4 = WhiteShape(ShapePanel1, "Shape4", QRect(6, 3, 384, 3));
    Shape3 = WhiteShape(ShapePanel1, "Shape3", QRect(3, 9, 392, 3));
    Shape1 = WhiteShape(ShapePanel1, "Shape1", QRect(2, 16, 394, 4));
    Shape2 = WhiteShape(ShapePanel1, "Shape2", QRect(2, 24, 394, 5));
    Label1 = TransparentLabel(ShapePanel1, "Label1", "アンインストールを完了すため", QPoint(30, 31));
    Label3 = TransparentLabel(ShapePanel1, "Label3", "コンピューターを再起動する必要があります。", QPoint(30, 49));
    Label2 = TransparentLabel(ShapePanel1, "Label2", "今すぐ再起動しますか？", QPoint(105, 85));
    PicBtnGroup1 = RestartButton(ShapePanel1, "PicBtnGroup1", "再起動する", QPoint(78, 123), ImageList1);
    PicBtnGroup2 = RestartButton(ShapePanel1, "PicBtnGroup2", "ｷｬﾝｾﾙ", QPoint(230, 123), ImageList1);
    setTabOrder(PicBtnGroup1, PicBtnGroup2);
    PicBtnGroup1->OnClick = [this](TPicBtnGroup* sender) { PicBtnGroup1Click(sender); };
    PicBtnGroup2->OnClick = [this](TPicBtnGroup* sender) { PicBtnGroup2Click(sender); };

    if (QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
    FormCreate();
}

TResetForm::~TResetForm() {
    if (user32_)
        win::FreeLibrary(user32_);
}

void TResetForm::FormCreate() {
    user32_ = win::LoadLibraryA("user32.dll");
    if (!user32_)
        return;
    auto setLayered =
        reinterpret_cast<SetLayeredWindowAttributesProc>(win::GetProcAddress(user32_, "SetLayeredWindowAttributes"));
    if (!setLayered) {
        // An older system: a plain borderless window with its corners showing.
        win::FreeLibrary(user32_);
        user32_ = 0;
        return;
    }
    const win::HWND handle = FormHandle(this);
    win::SetWindowLongA(handle, win::GWL_EXSTYLE, win::GetWindowLongA(handle, win::GWL_EXSTYLE) | win::WS_EX_LAYERED);
    setLayered(handle, clLime, 100, win::LWA_COLORKEY);
}

void TResetForm::PicBtnGroup1Click(TPicBtnGroup*) {
    RebootWindows();
    close();
}

void TResetForm::PicBtnGroup2Click(TPicBtnGroup*) {
    close();
}
