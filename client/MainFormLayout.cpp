// The main window's layout, as its window definition lays it out: a white 630 x 480 window with the banner
// header over the page control's tab row, and on every page its labels, edits, lists and picture buttons.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTreeWidget>

#include "ARCHIVES/ARCHIVES.h"
#include "artwork/Artwork.h"
#include "client/Animate.h"
#include "client/MainForm.h"
#include "controls/ImageList.h"
#include "controls/PicBtnGroup.h"
#include "net/FtpCli.h"
#include "platform/qt/Forms.h"
#include "platform/qt/Graphics.h"

namespace {

// The page control sits at Top 70, 630 x 410; its pages' client area begins below the (covered) tab row.
constexpr int PageLeft = 4;
constexpr int PageTop = 97;
constexpr int PageWidth = 622;
constexpr int PageHeight = 379;

// Picture indexes of naviImgList: normal, mouse over, pressed.
constexpr int NaviBack = 0;
constexpr int NaviNext = 3;
constexpr int NaviSendStart = 6;
constexpr int NaviReceiveStart = 9;
constexpr int NaviEnd = 12;
constexpr int ButtonRowTop = 328;

TImageList* ImageList(QObject* owner, int width, int height, const char* picture) {
    auto* list = new TImageList(width, height, owner);
    list->AddFromFile(ArtworkPath(picture));
    return list;
}

QLabel* Label(QWidget* page, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromUtf8(text), page);
    label->move(left, top);
    label->adjustSize();
    return label;
}

template <typename W>
W* Named(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}

// A button whose pictures are images first, first + 1 and first + 2 of the list (focus and checked as normal).
TPicBtnGroup* PictureButton(QWidget* parent, const char* name, TImageList* images, int first, int left, int top) {
    auto* button = Named(new TPicBtnGroup(parent), name, left, top, images->Width(), images->Height());
    button->SetImages(images);
    button->SetBackColor(clWhite);
    TListIndex index;
    index.SetNormal(first);
    index.SetMOver(first + 1);
    index.SetMDown(first + 2);
    index.SetFocus(first);
    index.SetCheck(first);
    index.SetEnabled(first);
    button->SetListIndex(index);
    return button;
}

QTreeWidget* ReportView(QWidget* page, const char* name, int left, int top, int width, int height,
                        const QStringList& columns, const std::vector<int>& widths, int rightAligned) {
    auto* view = Named(new QTreeWidget(page), name, left, top, width, height);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setHeaderLabels(columns);
    for (int c = 0; c < static_cast<int>(widths.size()); ++c)
        view->setColumnWidth(c, widths[c]);
    view->headerItem()->setTextAlignment(rightAligned, Qt::AlignRight | Qt::AlignVCenter);
    return view;
}

QPlainTextEdit* Memo(QWidget* page, const char* name, int left, int top, int width, int height, bool readOnly) {
    auto* memo = Named(new QPlainTextEdit(page), name, left, top, width, height);
    memo->setReadOnly(readOnly);
    return memo;
}

}  // namespace

TFolderBox::TFolderBox(QWidget* parent) : QScrollArea(parent), buttons_(new QWidget) {
    setWidget(buttons_);
    setWidgetResizable(false);
    setStyleSheet("background: white;");
}

void TMainFormWin::CreateLayout() {
    setObjectName("MainFormWin");
    setWindowTitle("Tarvo");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(630, 480);
    SetFormColor(this, Qt::white);

    SelUpImgList = ImageList(this, 141, 58, "selup.png");
    SelDownImgList = ImageList(this, 143, 60, "seldown.png");
    naviImgList = ImageList(this, 90, 40, "navi.png");
    subBtnList = ImageList(this, 70, 30, "subbtn.png");
    folderImgList = ImageList(this, 230, 32, "folder.png");
    GoMenuImgList = ImageList(this, 90, 40, "gomenu.png");

    PageControl1 = Named(new QStackedWidget(this), "PageControl1", PageLeft, PageTop, PageWidth, PageHeight);
    const char* pageNames[PageCount] = {"tsTop", "tsUp1", "tsUp2", "tsUp3", "tsDw1", "tsDw2", "tsDw3"};
    QWidget** pages[PageCount] = {&tsTop, &tsUp1, &tsUp2, &tsUp3, &tsDw1, &tsDw2, &tsDw3};
    for (int i = 0; i < PageCount; ++i) {
        *pages[i] = new QWidget;
        (*pages[i])->setObjectName(pageNames[i]);
        PageControl1->addWidget(*pages[i]);
    }
    CreateHeader();
    CreateTopPage();
    CreateSendPages();
    CreateReceivePages();
    CreateMenus();
    CreateComponents();
}

void TMainFormWin::CreateHeader() {
    Panel1 = Named(new QWidget(this), "Panel1", 0, 0, 630, 91);
    Panel1->setAutoFillBackground(true);
    Image1 = Named(new QLabel(Panel1), "Image1", 0, 0, 630, 81);
    Image1->setPixmap(QPixmap::fromImage(LoadPicture(ArtworkPath("banner.jpg"))));
    UpLoadMark = Named(new QLabel(Panel1), "UpLoadMark", 470, 25, 151, 49);
    UpLoadMark->setPixmap(QPixmap::fromImage(LoadPicture(ArtworkPath("upload_mark.jpg"))));
    UpLoadMark->hide();
    DwLoadMark = Named(new QLabel(Panel1), "DwLoadMark", 470, 25, 151, 49);
    DwLoadMark->setPixmap(QPixmap::fromImage(LoadPicture(ArtworkPath("download_mark.jpg"))));
    DwLoadMark->hide();
}

std::function<void(TPicBtnGroup*)> TMainFormWin::Handler(void (TMainFormWin::*method)()) {
    return [this, method](TPicBtnGroup*) { Guarded([this, method] { (this->*method)(); }); };
}

std::function<void(TPicBtnGroup*)> TMainFormWin::Handler(void (TMainFormWin::*method)(TPicBtnGroup*)) {
    return [this, method](TPicBtnGroup* sender) { Guarded([this, method, sender] { (this->*method)(sender); }); };
}

TPicBtnGroup* TMainFormWin::BackButton(QWidget* page, const char* name) {
    TPicBtnGroup* button = PictureButton(page, name, naviImgList, NaviBack, 264, ButtonRowTop);
    button->OnClick = Handler(&TMainFormWin::btnBackClick);
    return button;
}

TPicBtnGroup* TMainFormWin::ForwardButton(QWidget* page, const char* name, int firstImage,
                                          std::function<void(TPicBtnGroup*)> onClick) {
    TPicBtnGroup* button = PictureButton(page, name, naviImgList, firstImage, 376, ButtonRowTop);
    button->OnClick = std::move(onClick);
    return button;
}

TPicBtnGroup* TMainFormWin::MenuButton(QWidget* page, const char* name) {
    TPicBtnGroup* button = PictureButton(page, name, GoMenuImgList, 0, 16, ButtonRowTop);
    TListIndex index;  // one picture for every state
    button->SetListIndex(index);
    button->OnClick = Handler(&TMainFormWin::PicBtn1Click);
    return button;
}

void TMainFormWin::CreateTopPage() {
    btnSelUpLoad = PictureButton(tsTop, "btnSelUpLoad", SelUpImgList, 0, 136, 140);
    btnSelUpLoad->OnClick = Handler(&TMainFormWin::btnSelUpLoadClick);
    btnSelDownLoad = PictureButton(tsTop, "btnSelDownLoad", SelDownImgList, 0, 344, 139);
    btnSelDownLoad->OnClick = Handler(&TMainFormWin::btnSelDownLoadClick);
}

void TMainFormWin::CreateSendPages() {
    Label(tsUp1, "トランク名を指定してください。", 16, 8);
    edTrunkName = Named(new QLineEdit(tsUp1), "edTrunkName", 16, 26, 280, 22);
    edTrunkName->installEventFilter(this);
    Label(tsUp1, "コメントを付記することができます。", 16, 56);
    mmComment = Memo(tsUp1, "mmComment", 16, 74, 590, 52, false);
    Label(tsUp1, "ドラッグアンドドロップでトランクにファイルを格納します。", 16, 144);
    ListView1 = ReportView(tsUp1, "ListView1", 16, 162, 590, 156, {"ファイル名", "作成日時", "サイズ", "ディレクトリ"},
                           {160, 86, 70, 150}, 2);
    ListView1->setAcceptDrops(true);
    ListView1->viewport()->setAcceptDrops(true);
    ListView1->viewport()->installEventFilter(this);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([this] { PopMenu_ArciveListPopup(); });
        PopMenu_ArciveList->popup(ListView1->viewport()->mapToGlobal(at));
    });
    btnUpDel = PictureButton(tsUp1, "btnUpDel", subBtnList, 0, 536, 129);
    btnUpDel->OnClick = Handler(&TMainFormWin::btnUpDelClick);
    btnUpBack1 = BackButton(tsUp1, "btnUpBack1");
    btnUpBack1->SetTag(1);
    btnUpNext1 = ForwardButton(tsUp1, "btnUpNext1", NaviNext, Handler(&TMainFormWin::btnUpNext1Click));
    PicBtnGroup5 = MenuButton(tsUp1, "PicBtnGroup5");

    Label(tsUp2, "送信先のフォルダを選択してください。", 16, 8);
    UpForderList = Named(new TFolderBox(tsUp2), "UpForderList", 178, 32, 265, 265);
    btnUpBack2 = BackButton(tsUp2, "btnUpBack2");
    btnUpStart = ForwardButton(tsUp2, "btnUpStart", NaviSendStart, Handler(&TMainFormWin::btnUpStartClick));
    PicBtnGroup7 = MenuButton(tsUp2, "PicBtnGroup7");

    Label(tsUp3, "メッセージ", 16, 8);
    mmUpMess = Memo(tsUp3, "mmUpMess", 16, 26, 590, 200, true);
    Animate1 = Named(new TAnimate(tsUp3, ArtworkPath("anime1.png"), 300), "Animate1", 160, 232, 300, 60);
    Animate1->SetStopFrame(19);
    Animate1->hide();
    btnUpBack3 = BackButton(tsUp3, "btnUpBack3");
    btnUpEnd = ForwardButton(tsUp3, "btnUpEnd", NaviEnd, Handler(&TMainFormWin::btnEndClick));
    PicBtnGroup1 = MenuButton(tsUp3, "PicBtnGroup1");
}

void TMainFormWin::CreateReceivePages() {
    Label(tsDw1, "受信元のフォルダを選択してください。", 16, 8);
    DwForderList = Named(new TFolderBox(tsDw1), "DwForderList", 178, 32, 265, 265);
    btnDwBack1 = BackButton(tsDw1, "btnDwBack1");
    btnDwBack1->SetTag(1);
    btnDwNext1 = ForwardButton(tsDw1, "btnDwNext1", NaviNext, Handler(&TMainFormWin::btnNextClick));
    PicBtnGroup2 = MenuButton(tsDw1, "PicBtnGroup2");

    Label(tsDw2, "受信トランクを選択してください。", 16, 8);
    DwTruncList = ReportView(tsDw2, "DwTruncList", 16, 26, 590, 214, {"トランク名", "日時", "サイズ", "コメント"},
                             {150, 80, 80, 200}, 2);
    DwTruncList->viewport()->installEventFilter(this);
    connect(DwTruncList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([this] { PopMenu_GetTruncPopup(); });
        PopMenu_GetTrunc->popup(DwTruncList->viewport()->mapToGlobal(at));
    });
    Label(tsDw2, "展開場所を指定してください。", 16, 252);
    edDirPath = Named(new QLineEdit(tsDw2), "edDirPath", 16, 272, 508, 22);
    btnReference = PictureButton(tsDw2, "btnReference", subBtnList, 3, 536, 268);
    btnReference->OnClick = Handler(&TMainFormWin::btnReferenceClick);
    btnDwBack2 = BackButton(tsDw2, "btnDwBack2");
    btnDwStart = ForwardButton(tsDw2, "btnDwStart", NaviReceiveStart, Handler(&TMainFormWin::btnDwStartClick));
    PicBtnGroup3 = MenuButton(tsDw2, "PicBtnGroup3");

    Label(tsDw3, "メッセージ", 16, 8);
    mmDwMess = Memo(tsDw3, "mmDwMess", 16, 26, 590, 200, true);
    Animate2 = Named(new TAnimate(tsDw3, ArtworkPath("anime2.png"), 300), "Animate2", 160, 232, 300, 60);
    Animate2->hide();
    ctrl_FTPProgressBar = Named(new QProgressBar(tsDw3), "ctrl_FTPProgressBar", 16, 298, 590, 18);
    ctrl_FTPProgressBar->setRange(0, 100);
    ctrl_FTPProgressBar->setTextVisible(false);
    ctrl_FTPProgressBar->hide();
    btnDwBack3 = BackButton(tsDw3, "btnDwBack3");
    PicBtnGroup6 = ForwardButton(tsDw3, "PicBtnGroup6", NaviEnd, Handler(&TMainFormWin::btnEndClick));
    PicBtnGroup4 = MenuButton(tsDw3, "PicBtnGroup4");
}

void TMainFormWin::CreateMenus() {
    PopMenu_ArciveList = new QMenu(this);
    PopMenu_ArciveList->setObjectName("PopMenu_ArciveList");
    Delete1 = PopMenu_ArciveList->addAction("選択されているファイルを削除(&D)", this,
                                            [this] { Guarded([this] { Delete1Click(); }); });
    Delete1->setObjectName("Delete1");
    U1 = PopMenu_ArciveList->addAction("すべてを削除(&U)", this, [this] { Guarded([this] { U1Click(); }); });
    U1->setObjectName("U1");
    PopMenu_GetTrunc = new QMenu(this);
    PopMenu_GetTrunc->setObjectName("PopMenu_GetTrunc");
    D1 = PopMenu_GetTrunc->addAction("選択されているトランクを削除(&D)", this,
                                     [this] { Guarded([this] { D1Click(); }); });
    D1->setObjectName("D1");
}

void TMainFormWin::CreateComponents() {
    Timer_TruncListReMake.SetEnabled(false);
    Timer_TruncListReMake.SetInterval(500);
    timer_LZH_JUNBI_.SetInterval(500);
    timer_LZH_JUNBI_.SetOnTimer([this](TTimer*) { timer_LZH_JUNBI_Timer(); });

    ArchiveFile1 = std::make_unique<TArchiveFile>();
    ArchiveFile1->SetArchiverType(atLha);
    ArchiveFile1->Options().jso = 0;
    ArchiveFile1->Options().ResFileUsage = {ruOnPack, ruOnUnpack, ruOnRemoveItem};

    FtpClient1 = std::make_unique<TFtpClient>();
    FtpClient1->Timeout = 15;
    FtpClient1->MultiThreaded = false;
    FtpClient1->Port = "ftp";
    FtpClient1->SetDataPortRangeStart(0);
    FtpClient1->SetDataPortRangeEnd(0);
    FtpClient1->LocalAddr = "0.0.0.0";
    FtpClient1->DisplayFileFlag = false;
    FtpClient1->SetBinary(true);
    FtpClient1->SetShareMode(ftpShareExclusive);
    FtpClient1->Options = {ftpAcceptLF};
    FtpClient1->SetConnectionType(ftpDirect);
    FtpClient1->OnProgress = [this](TCustomFtpCli*, int64_t count, bool& abort) { FtpClient1Progress(count, abort); };
    FtpClient1->OnRequestDone = [this](TCustomFtpCli*, TFtpRequest rq, win::WORD error) {
        FtpClient1RequestDone(rq, error);
    };
}
