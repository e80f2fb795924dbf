// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls, placed as the window was designed.
#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTableWidget>

#include "app/qt_dialogs.h"
#include "convert/work_dirs.h"

namespace velmora {
namespace {

const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
const QColor kMoneyGreen(0xC0, 0xDC, 0xC0);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kLime(0x00, 0xFF, 0x00);

constexpr int kBaseFontSize = 8;
constexpr int kGridRowHeight = 15;

QFont sansFont(int pointSize, bool bold, int stretch = QFont::SemiCondensed) {
    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    font.setBold(bold);
    // The sans fonts here run wider than the window's controls were drawn
    // for; a slightly narrower cut keeps every text inside its control.
    font.setStretch(stretch);
    return font;
}

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* stepLabel(QWidget* parent, const char* name, const char* text, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(sansFont(10, true));
    label->adjustSize();
    label->move(8, top);
    return label;
}

QPushButton* glyphButton(QWidget* parent, const char* name, const char* text,
                         QStyle::StandardPixmap glyph, int top) {
    auto* button =
        new QPushButton(parent->style()->standardIcon(glyph), QString::fromLatin1(text), parent);
    return place(button, name, 24, top, 129, 25);
}

SunkenPanel* headerPanel(QWidget* parent, const char* name, const QColor& colour, int top) {
    auto* panel = place(new SunkenPanel(parent), name, 160, top, 337, 25);
    panel->setFont(sansFont(12, true));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::WindowText, kNavy);
    panel->setPalette(palette);
    return panel;
}

SunkenPanel* statusPanel(QWidget* parent, const char* name, const QString& text, int left,
                         int width) {
    auto* panel = place(new SunkenPanel(parent), name, left, 480, width, 17);
    panel->setText(text);
    return panel;
}

template <typename Button>
Button* option(QGroupBox* group, const char* name, const char* text, int left, int top, int width) {
    auto* button = new Button(QString::fromLatin1(text), group);
    return place(button, name, left, top, width, 15);
}

QIcon menuIcon(const QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            widget->style()->standardIcon(fallback));
}

}  // namespace

TForm1::TForm1(DialogsFactory makeDialogs, WindowCore core)
    : core_(std::move(core)), previews_(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setFont(sansFont(kBaseFontSize, false));
    // It starts at its designed size and may grow; the grid and the log take the room.
    setMinimumSize(kDesignedWidth, kDesignedHeight);
    resize(kDesignedWidth, kDesignedHeight);
    move(134, 113);
    createControls();
    for (QWidget* below : std::initializer_list<QWidget*>{Label3, Label4, BitBtn2, BitBtn3,
                                                          GroupBox1, GroupBox2, CheckBox1, Label5})
        belowGrid_.emplace_back(below, below->pos());
    dialogs_ =
        makeDialogs ? makeDialogs(*this) : std::make_unique<QtDialogs>(this, Memo1, ProgressBar1);
    connectHandlers();
    createShortcuts();
    // A closed preview hands the focus back to the grid it was opened from.
    previews_.afterClose = [this] {
        activateWindow();
        StringGrid1->setFocus();
    };
    setAcceptDrops(true);
    FormCreate();
    fitOnScreen();
}

TForm1::~TForm1() = default;

void TForm1::createControls() {
    Label1 = stepLabel(this, "Label1", "1.", 8);
    Label2 = stepLabel(this, "Label2", "2.", 40);
    Label3 = stepLabel(this, "Label3", "3.", 192);
    Label4 = stepLabel(this, "Label4", "4.", 232);

    BitBtn1 = glyphButton(this, "BitBtn1", "Open Firmware file", QStyle::SP_DialogOpenButton, 8);
    Panel2 = headerPanel(this, "Panel2", kSkyBlue, 8);
    ProgressBar1 = place(new QProgressBar(this), "ProgressBar1", 160, 32, 337, 9);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    RadioGroup1 =
        place(new QGroupBox(QStringLiteral("Choose the picture you want to replace"), this),
              "RadioGroup1", 24, 40, 473, 145);
    createGrid();

    BitBtn2 = glyphButton(this, "BitBtn2", "Open Image file", QStyle::SP_FileIcon, 192);
    BitBtn2->setEnabled(false);
    Panel1 = headerPanel(this, "Panel1", kMoneyGreen, 192);
    BitBtn3 = glyphButton(this, "BitBtn3", "Replace Image", QStyle::SP_BrowserReload, 232);
    BitBtn3->setEnabled(false);
    createOptionGroups();

    CheckBox1 = place(new QCheckBox(QStringLiteral("Use Spare space"), this), "CheckBox1", 32, 259,
                      113, 17);
    CheckBox1->setChecked(true);
    CheckBox1->setEnabled(false);

    Label5 = new QLabel(QStringLiteral("Processing log:"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->adjustSize();
    Label5->move(32, 282);

    Memo1 = place(new QPlainTextEdit(this), "Memo1", 24, 296, 473, 185);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Narrower still, so the analysis' line of 50 "=" stays on one line.
    Memo1->setFont(sansFont(9, false, QFont::Condensed));
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Text, kLime);
    memoPalette.setColor(QPalette::Base, Qt::black);  // lime on white cannot be read
    Memo1->setPalette(memoPalette);

    Panel5 = statusPanel(
        this, "Panel5",
        QStringLiteral("Program for replacing backgrounds in Zoran`s Vaddis® DVDs."), 2, 325);
    Panel5->setToolTip(QStringLiteral("Click to view info"));
    Panel3 = statusPanel(this, "Panel3", QStringLiteral("v" VELMORA_VERSION), 328, 41);
    Panel4 = statusPanel(this, "Panel4", QStringLiteral("Velmora developers"), 370, 127);
    Panel4->setToolTip(
        QStringLiteral("Velmora is free software for people who repair DVD players"));

    createPopupMenu();
    createFirmwareNameMenu();
}

void TForm1::createOptionGroups() {
    GroupBox1 =
        place(new QGroupBox(QStringLiteral("Color control"), this), "GroupBox1", 160, 224, 161, 65);
    RadioButton1 = option<QRadioButton>(GroupBox1, "RadioButton1", "24-bit color", 4, 14, 83);
    RadioButton2 = option<QRadioButton>(GroupBox1, "RadioButton2", "256 colors", 4, 30, 83);
    RadioButton3 = option<QRadioButton>(GroupBox1, "RadioButton3", "16 colors", 4, 46, 83);
    CheckBox2 = option<QCheckBox>(GroupBox1, "CheckBox2", "Greyscale", 86, 14, 74);
    RadioButton1->setChecked(true);
    GroupBox1->setEnabled(false);

    GroupBox2 =
        place(new QGroupBox(QStringLiteral("Orientation"), this), "GroupBox2", 320, 224, 177, 65);
    RadioButton7 = option<QRadioButton>(GroupBox2, "RadioButton7", "no rotate", 4, 14, 83);
    RadioButton4 = option<QRadioButton>(GroupBox2, "RadioButton4", "Rotate 90", 4, 30, 83);
    RadioButton5 = option<QRadioButton>(GroupBox2, "RadioButton5", "Rotate 180", 4, 46, 83);
    RadioButton6 = option<QRadioButton>(GroupBox2, "RadioButton6", "Rotate 270", 89, 14, 86);
    CheckBox4 = option<QCheckBox>(GroupBox2, "CheckBox4", "V. mirroring", 89, 30, 86);
    CheckBox3 = option<QCheckBox>(GroupBox2, "CheckBox3", "H. mirroring", 89, 46, 86);
    RadioButton7->setChecked(true);
    GroupBox2->setEnabled(false);
}

void TForm1::createGrid() {
    StringGrid1 = place(new QTableWidget(1, 5, this), "StringGrid1", 28, 56, 464, 121);
    StringGrid1->setToolTip(QString::fromLatin1(kGridHint));
    // The picture texts must fit the narrow columns; what still does not is
    // cut off, not shortened with an ellipsis.
    StringGrid1->setFont(sansFont(kBaseFontSize, false, QFont::Condensed));
    StringGrid1->setTextElideMode(Qt::ElideNone);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The title row is the header; there is no title column.
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setMinimumSectionSize(kGridRowHeight);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    StringGrid1->horizontalHeader()->setMinimumSectionSize(kGridRowHeight);
    StringGrid1->horizontalHeader()->setFixedHeight(kGridRowHeight + 2);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    StringGrid1->setEnabled(false);
}

void TForm1::createPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    View1 = PopupMenu1->addAction(menuIcon(this, "zoom-in", QStyle::SP_FileDialogContentsView),
                                  QStringLiteral("View"));
    View1->setObjectName(QStringLiteral("View1"));
    Savevideo1 = PopupMenu1->addAction(menuIcon(this, "media-record", QStyle::SP_MediaPlay),
                                       QStringLiteral("Save MPEG video"));
    Savevideo1->setObjectName(QStringLiteral("Savevideo1"));
    Savepicture1 =
        PopupMenu1->addAction(menuIcon(this, "image-x-generic", QStyle::SP_DialogSaveButton),
                              QStringLiteral("Save TGA picture"));
    Savepicture1->setObjectName(QStringLiteral("Savepicture1"));
    Play1 = PopupMenu1->addAction(menuIcon(this, "media-playback-start", QStyle::SP_MediaPlay),
                                  QStringLiteral("Play in video player"));
    Play1->setObjectName(QStringLiteral("Play1"));
    SavePng1 = PopupMenu1->addAction(menuIcon(this, "image-x-generic", QStyle::SP_DialogSaveButton),
                                     QStringLiteral("Save as PNG…"));
    SavePng1->setObjectName(QStringLiteral("SavePng1"));

    BeforeAfter1 = new QAction(QStringLiteral("Show before / after before writing"), this);
    BeforeAfter1->setObjectName(QStringLiteral("BeforeAfter1"));
    BeforeAfter1->setCheckable(true);
    BeforeAfter1->setChecked(false);
    Panel1->addAction(BeforeAfter1);
    createEncoderChoices();
    Panel1->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TForm1::createEncoderChoices() {
    // Checked choices, one of each group: an action of its own each, so the
    // keyboard and the tests reach them as they reach the other menu items.
    const auto choice = [](QActionGroup* group, const char* name, const char* text) {
        auto* action = new QAction(QString::fromLatin1(text), group);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        return action;
    };
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    Panel1->addAction(separator);
    auto* encoders = new QActionGroup(this);
    EncoderBuiltin1 = choice(encoders, "EncoderBuiltin1", "Built-in encoder");
    EncoderTools1 = choice(encoders, "EncoderTools1", "External tools (classic)");
    EncoderBuiltin1->setChecked(true);
    Panel1->addActions(encoders->actions());
    auto* fitSeparator = new QAction(this);
    fitSeparator->setSeparator(true);
    Panel1->addAction(fitSeparator);
    auto* fits = new QActionGroup(this);
    FitStretch1 = choice(fits, "FitStretch1", "Stretch to the TV");
    FitCrop1 = choice(fits, "FitCrop1", "Crop to fill");
    FitInside1 = choice(fits, "FitInside1", "Fit inside (black borders)");
    FitStretch1->setChecked(true);
    Panel1->addActions(fits->actions());
}

}  // namespace velmora
