#include "workspace/MainForm_s.h"

#include "cartoon/panel/Standard_s.h"
#include "workspace/Accessibility.h"
#include "core/codecs/PictureFiles.h"
#include "workspace/CropSelection.h"
#include "workspace/Cursors.h"
#include "workspace/ErrorBox.h"
#include "workspace/Layout.h"
#include "workspace/ResultTools.h"
#include "workspace/WindowLook.h"
#include "workspace/WorkspaceHistory.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <span>

TMainForm* MainForm = nullptr;

// The resources live in a static library, so they are registered by hand.
static void InitResources() { Q_INIT_RESOURCE(brimlet); }

namespace {

constexpr int kToolBarHeight = 35;
constexpr int kStatusBarHeight = 19;
constexpr int kSourcePaneWidth = 364;
constexpr int kPaneHeight = 384;
constexpr int kClientWidth = 740;  // 748 outside, less the frame
constexpr int kDividerWidth = 12;

// The built-in sample photograph, decoded like any JPEG the user opens.
brimlet::TBitmap32 SamplePicture() {
    QFile file(QStringLiteral(":/sample-362x272.jpg"));
    if (!file.open(QIODevice::ReadOnly)) return brimlet::TBitmap32(362, 272);
    const QByteArray bytes = file.readAll();
    return brimlet::DecodePicture(
        ".JPG", std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          std::size_t(bytes.size())));
}

// The desktop theme's picture, or the program's own when the theme has none.
QIcon ToolIcon(const char* themeName, const char* bundled) {
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(bundled))));
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const char* hint, int x,
                            const QIcon& icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(hint));
    button->setAccessibleName(QString::fromLatin1(hint));
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setGeometry(x, 0, 25, 21);
    return button;
}

QWidget* MakePanel(QWidget* parent, const char* name, const QColor& colour) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QString::fromLatin1(name));
    brimlet::SetBackground(panel, colour);
    return panel;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    InitResources();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromUtf8(brimlet::kApplicationTitle));
    setAccessibleName(windowTitle());
    brimlet::ApplyWindowLook(this);
    setAcceptDrops(true);

    BuildMenu();
    BuildToolBar();
    BuildPanes();
    BuildStatusBar();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    FormCreate();
    ConnectCommands();
    AttachHelpers();

    move(12, 14);
    resize(kClientWidth, menuBar()->sizeHint().height() + kToolBarHeight + kPaneHeight +
                             kStatusBarHeight);
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildMenu() {
    auto add = [](QMenu* menu, QAction*& action, const char* name, const char* caption,
                      QKeySequence keys = {}) {
        action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            // Also while a secondary window, such as the panel, has the focus.
            action->setShortcutContext(Qt::ApplicationShortcut);
        }
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    add(file, Open1, "Open1", "Open", QKeySequence(Qt::CTRL | Qt::Key_O));
    add(file, Save1, "Save1", "Save", QKeySequence(Qt::CTRL | Qt::Key_S));
    add(file, Exit1, "Exit1", "Exit", QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    add(edit, Undo1, "Undo1", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
    add(edit, Redo1, "Redo1", "Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    Redo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                         QKeySequence(Qt::CTRL | Qt::Key_Y)});
    Undo1->setEnabled(false);
    Redo1->setEnabled(false);
    QMenu* make = menuBar()->addMenu(QStringLiteral("Make"));
    make->setObjectName(QStringLiteral("Make1"));
    add(make, Standard1, "Standard1", "Make Panel");
    QMenu* tool = menuBar()->addMenu(QStringLiteral("Tool"));
    tool->setObjectName(QStringLiteral("Tool1"));
    add(tool, Print1, "Print1", "Print", QKeySequence(Qt::CTRL | Qt::Key_P));
    add(tool, ellfriend1, "ellfriend1", "Tell friend");
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    add(help, Online1, "Online1", "Online");
    add(help, About1, "About1", "About");
}

void TMainForm::BuildToolBar() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    ToolBar1 = MakePanel(central, "ToolBar1", brimlet::SkyBlue());
    ToolBar1->setFixedHeight(kToolBarHeight);
    column->addWidget(ToolBar1);
    ControlBar1 = MakePanel(ToolBar1, "ControlBar1", brimlet::SkyBlue());
    ControlBar1->setGeometry(0, 2, 721, 30);

    Panel1 = MakePanel(ControlBar1, "Panel1", brimlet::SkyBlue());
    Panel1->setGeometry(11, 2, 158, 22);
    SpeedButton1 = MakeToolButton(Panel1, "SpeedButton1", "Open a picture", 0,
                                  ToolIcon("document-open", "open"));
    SpeedButton2 = MakeToolButton(Panel1, "SpeedButton2", "Save as", 26,
                                  ToolIcon("document-save-as", "save"));
    SpeedButton3 = MakeToolButton(Panel1, "SpeedButton3", "Print", 52,
                                  ToolIcon("document-print", "print"));
    SpeedButton5 = MakeToolButton(Panel1, "SpeedButton5", "Tell a friend", 78,
                                  ToolIcon("mail-send", "mail"));
    SpeedButton6 = MakeToolButton(Panel1, "SpeedButton6", "Online", 104,
                                  ToolIcon("internet-web-browser", "web"));
    SpeedButton7 = MakeToolButton(Panel1, "SpeedButton7", "Make Panel", 130,
                                  ToolIcon("preferences-system", "gear"));

    Panel2 = MakePanel(ControlBar1, "Panel2", brimlet::SkyBlue());
    Panel2->setGeometry(602, 2, 113, 22);
    SpeedButton4 = MakeToolButton(Panel2, "SpeedButton4", "Pick up color for Dyeing", 0,
                                  ToolIcon("color-picker", "eyedropper"));
    SpeedButton8 = MakeToolButton(Panel2, "SpeedButton8", "Clear spots for Sketch", 26,
                                  ToolIcon("draw-eraser", "eraser"));
    SpeedButton9 = MakeToolButton(Panel2, "SpeedButton9", "To view fullsize", 52,
                                  ToolIcon("view-fullscreen", "fullsize"));
    ToolGroup = new QButtonGroup(this);
    ToolGroup->setExclusive(true);
    for (QToolButton* b : {SpeedButton4, SpeedButton8, SpeedButton9}) {
        b->setCheckable(true);
        brimlet::ClickOnAccessibleAction(b);
        ToolGroup->addButton(b);
    }
    SpeedButton9->setChecked(true);
}

void TMainForm::BuildPanes() {
    // The classic desktop's inactive-caption-text grey; the toolkit has no such role.
    const QColor paneColour(212, 208, 200);
    Splitter1 = new QSplitter(Qt::Horizontal, centralWidget());
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kDividerWidth);
    Splitter1->setChildrenCollapsible(false);
    // A line follows the drag; the panes change on release.
    Splitter1->setOpaqueResize(false);
    static_cast<QVBoxLayout*>(centralWidget()->layout())->addWidget(Splitter1, 1);

    ImgPanel1 = MakePanel(Splitter1, "ImgPanel1", paneColour);
    ImgPanel1->setMinimumWidth(30);
    SourceHostPanel = new TNewPanel(ImgPanel1);
    SourceHostPanel->setObjectName(QStringLiteral("SourceHostPanel"));
    brimlet::SetBackground(SourceHostPanel, paneColour);
    Image1 = new TImage(SourceHostPanel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("Please draw a rectangle to cut."));
    Image1->setAccessibleName(QStringLiteral("Original Photo"));

    ImgPanel2 = MakePanel(Splitter1, "ImgPanel2", paneColour);
    ImgPanel2->setMinimumWidth(30);
    Image2 = new TImage(ImgPanel2);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setAccessibleName(QStringLiteral("Cartoon Photo"));

    Splitter1->addWidget(ImgPanel1);
    Splitter1->addWidget(ImgPanel2);
    Splitter1->setStretchFactor(0, 0);  // the source pane keeps its width on resize
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kSourcePaneWidth, kClientWidth - kSourcePaneWidth - kDividerWidth});
    Splitter1->handle(1)->setCursor(Qt::SplitHCursor);
    ImgPanel1->installEventFilter(this);
    ImgPanel2->installEventFilter(this);
}

void TMainForm::BuildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(kStatusBarHeight);
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    const char* texts[3] = {" Original Photo", "", " Cartoon Photo"};
    const int widths[3] = {100, brimlet::StatusMiddleWidth(kSourcePaneWidth), 50};
    for (int i = 0; i < 3; ++i) {
        StatusPanel[i] = new QLabel(QString::fromLatin1(texts[i]), StatusBar1);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanel[i]->setAccessibleName(StatusPanel[i]->text());
        // The last panel is as wide as its text needs: at its nominal 50 pixels it showed
        // only "Cartoon". It is the last one, so the others stay where they were.
        StatusPanel[i]->setFixedWidth(
            i == 2 ? std::max(widths[i], StatusPanel[i]->sizeHint().width()) : widths[i]);
        StatusPanel[i]->setFrameShape(QFrame::Panel);
        StatusPanel[i]->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(StatusPanel[i]);
    }
}

void TMainForm::FormCreate() {
    Image1->SetPicture(SamplePicture());
    Image2->SetPictureFrom(*Image1);
    ColourLayer.Assign(Image1->Picture());
    LineLayer.Assign(Image1->Picture());
    PaletteBuffer.Assign(Image1->Picture());
    DisplayScale = brimlet::DisplayScaleFor(Image2->Picture().Width(), Image2->width());
    FullSizeMode = true;
    brimlet::LoadCursorSlot(brimlet::crFullSize);
    Image2->setToolTip(QStringLiteral("Double click to view fullsize"));
    Image2->setCursor(brimlet::SlotCursor(brimlet::crFullSize));
}

void TMainForm::AttachHelpers() {
    // Helpers that give Image1 and Image2 their mouse behaviour are connected here.
    CropSelection = new TCropSelection(this);
    ResultTools = new TResultTools(this);
    History = new TWorkspaceHistory(this);
    connect(History, &TWorkspaceHistory::Changed, this, [this] { UpdateEditMenu(); });
    UpdateEditMenu();
}

void TMainForm::Display(TImage* image, QWidget* panel) {
    const brimlet::TBitmap32& picture = image->Picture();
    const brimlet::PlacedRect r =
        brimlet::FitPicture(picture.Width(), picture.Height(), panel->width(), panel->height());
    image->setGeometry(r.left, r.top, std::max(0, r.width), std::max(0, r.height));
}

void TMainForm::Relayout() {
    SourceHostPanel->setGeometry(0, 0, ImgPanel1->width(), ImgPanel1->height());
    Display(Image1, SourceHostPanel);
    Display(Image2, ImgPanel2);
    DisplayScale = brimlet::DisplayScaleFor(Image2->Picture().Width(), Image2->width());
}

void TMainForm::FormResize() {
    Relayout();
    ControlBar1->resize(width() - 10, ControlBar1->height());
}

void TMainForm::Splitter1Moved() {
    Relayout();
    StatusPanel[1]->setFixedWidth(std::max(0, brimlet::StatusMiddleWidth(ImgPanel1->width())));
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    brimlet::Guarded(this, [this] { FormResize(); });
}

// The panes get their new sizes after the window's own resize and after a divider release;
// refitting when they do keeps the pictures in step with both.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == ImgPanel1 || watched == ImgPanel2))
        brimlet::Guarded(this, [this] { Relayout(); });
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool leave = false;  // a save that fails keeps the window open
    brimlet::Guarded(this, [&] { leave = MayDiscardResult(QStringLiteral("leaving")); });
    if (!leave) {
        event->ignore();
        return;
    }
    ColourLayer = brimlet::TBitmap32();
    LineLayer = brimlet::TBitmap32();
    PaletteBuffer = brimlet::TBitmap32();
    event->accept();
    // The secondary windows are tool windows and would not end the program by themselves.
    QCoreApplication::quit();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QString path = event->mimeData()->urls().first().toLocalFile();
    event->acceptProposedAction();
    brimlet::Guarded(this, [this, path] { OpenDroppedFile(path); });
}
