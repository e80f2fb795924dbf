// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as designed: every control's place, text, look and state at start-up.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextDocument>

#include "tests/app/window_harness.h"

namespace velmora::testing {
namespace {

QString textOf(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(w)) return group->title();
    if (const auto* memo = qobject_cast<const QPlainTextEdit*>(w)) return memo->toPlainText();
    return {};
}

struct ControlCase {
    const char* name;
    int left, top, width, height;  // width -1: sized to its text
    const char* text;
    bool enabled;
};

class WindowLayoutTest : public ::testing::Test {
  protected:
    WindowHarness h;
    QWidget* control(const char* name) {
        auto* w = h.form->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

TEST_F(WindowLayoutTest, WindowStartsAt134_113With499ClientSquare) {
    EXPECT_EQ(h.form->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(h.form->objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(h.form->size(), QSize(499, 499));
    EXPECT_EQ(h.form->minimumSize(), QSize(499, 499)) << "it may grow, never shrink";
    EXPECT_EQ(h.form->pos(), QPoint(134, 113));
}

TEST_F(WindowLayoutTest, EveryControlHasItsPlaceTextAndStartState) {
    const ControlCase cases[] = {
        {"Label1", 8, 8, -1, -1, "1.", true},
        {"Label2", 8, 40, -1, -1, "2.", true},
        {"Label3", 8, 192, -1, -1, "3.", true},
        {"Label4", 8, 232, -1, -1, "4.", true},
        {"BitBtn1", 24, 8, 129, 25, "Open Firmware file", true},
        {"Panel2", 160, 8, 337, 25, "", true},
        {"ProgressBar1", 160, 32, 337, 9, "", true},
        {"RadioGroup1", 24, 40, 473, 145, "Choose the picture you want to replace", true},
        {"StringGrid1", 28, 56, 464, 121, "", false},
        {"BitBtn2", 24, 192, 129, 25, "Open Image file", false},
        {"Panel1", 160, 192, 337, 25, "", true},
        {"BitBtn3", 24, 232, 129, 25, "Replace Image", false},
        {"GroupBox1", 160, 224, 161, 65, "Color control", false},
        {"GroupBox2", 320, 224, 177, 65, "Orientation", false},
        {"CheckBox1", 32, 259, 113, 17, "Use Spare space", false},
        {"Label5", 32, 282, -1, -1, "Processing log:", true},
        {"Memo1", 24, 296, 473, 185, "", true},
        {"Panel5", 2, 480, 325, 17, "Program for replacing backgrounds in Zoran`s Vaddis® DVDs.",
         true},
        {"Panel3", 328, 480, 41, 17, "v" VELMORA_TEST_VERSION, true},
        {"Panel4", 370, 480, 127, 17, nullptr, true},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* w = control(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), h.form.get());
        EXPECT_EQ(w->pos(), QPoint(c.left, c.top));
        if (c.width >= 0) {
            EXPECT_EQ(w->size(), QSize(c.width, c.height));
        }
        if (c.text != nullptr) {
            EXPECT_EQ(textOf(w), QString::fromUtf8(c.text));
        }
        EXPECT_EQ(w->isEnabled(), c.enabled);
    }
    EXPECT_FALSE(h.form->Panel4->text().isEmpty());
}

TEST_F(WindowLayoutTest, OptionGroupsHoldTheirButtonsWithDefaultsSelected) {
    const struct {
        const char* name;
        const char* group;
        const char* text;
        bool checked;
    } cases[] = {
        {"RadioButton1", "GroupBox1", "24-bit color", true},
        {"RadioButton2", "GroupBox1", "256 colors", false},
        {"RadioButton3", "GroupBox1", "16 colors", false},
        {"CheckBox2", "GroupBox1", "Greyscale", false},
        {"RadioButton7", "GroupBox2", "no rotate", true},
        {"RadioButton4", "GroupBox2", "Rotate 90", false},
        {"RadioButton5", "GroupBox2", "Rotate 180", false},
        {"RadioButton6", "GroupBox2", "Rotate 270", false},
        {"CheckBox4", "GroupBox2", "V. mirroring", false},
        {"CheckBox3", "GroupBox2", "H. mirroring", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* button = qobject_cast<QAbstractButton*>(control(c.name));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parentWidget()->objectName(), QString::fromLatin1(c.group));
        EXPECT_EQ(button->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(button->isChecked(), c.checked);
        // Inside its group and not cut off by it.
        EXPECT_TRUE(button->parentWidget()->rect().contains(button->geometry()));
        EXPECT_LE(button->sizeHint().width(), button->width());
    }
    EXPECT_TRUE(h.form->CheckBox1->isChecked());
}

TEST_F(WindowLayoutTest, FontsAndColoursAreAsDesigned) {
    const struct {
        const char* name;
        int points;
        bool bold;
    } fonts[] = {
        {"Label1", 10, true},    {"Label4", 10, true},      {"BitBtn1", 8, false},
        {"Panel2", 12, true},    {"Panel1", 12, true},      {"Memo1", 9, false},
        {"Panel5", 8, false},    {"StringGrid1", 8, false}, {"Label5", 8, false},
        {"CheckBox1", 8, false},
    };
    for (const auto& f : fonts) {
        SCOPED_TRACE(f.name);
        const QFont font = control(f.name)->font();
        EXPECT_EQ(font.pointSize(), f.points);
        EXPECT_EQ(font.bold(), f.bold);
    }
    const QColor navy(0, 0, 0x80);
    EXPECT_EQ(h.form->Panel2->palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(h.form->Panel2->palette().color(QPalette::WindowText), navy);
    EXPECT_TRUE(h.form->Panel2->autoFillBackground());
    EXPECT_EQ(h.form->Panel1->palette().color(QPalette::Window), QColor(0xC0, 0xDC, 0xC0));
    EXPECT_EQ(h.form->Panel1->palette().color(QPalette::WindowText), navy);
    EXPECT_EQ(h.form->Memo1->palette().color(QPalette::Text), QColor(0, 0xFF, 0));
}

TEST_F(WindowLayoutTest, PanelsAreSunkenAndStatusTextsFit) {
    for (const SunkenPanel* panel :
         {h.form->Panel1, h.form->Panel2, h.form->Panel3, h.form->Panel4, h.form->Panel5}) {
        SCOPED_TRACE(panel->objectName().toStdString());
        EXPECT_EQ(panel->frameShape(), QFrame::Panel);
        EXPECT_EQ(panel->frameShadow(), QFrame::Sunken);
    }
    for (const SunkenPanel* panel : {h.form->Panel3, h.form->Panel4, h.form->Panel5}) {
        SCOPED_TRACE(panel->objectName().toStdString());
        EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), panel->width() - 2);
    }
    EXPECT_EQ(h.form->Panel5->toolTip(), QStringLiteral("Click to view info"));
    EXPECT_FALSE(h.form->Panel4->toolTip().isEmpty());
}

TEST_F(WindowLayoutTest, ProgressBarAndLog) {
    EXPECT_EQ(h.form->ProgressBar1->minimum(), 0);
    EXPECT_EQ(h.form->ProgressBar1->maximum(), 100);
    EXPECT_EQ(h.form->ProgressBar1->value(), 0);
    EXPECT_EQ(h.form->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(h.form->Memo1->isReadOnly()) << "the person may edit the log";
    EXPECT_TRUE(h.form->Memo1->toPlainText().isEmpty());
}

TEST_F(WindowLayoutTest, GridHasFiveTitledColumnsAndFifteenPixelRows) {
    QTableWidget* grid = h.form->StringGrid1;
    ASSERT_EQ(grid->columnCount(), 5);
    const int widths[] = {15, 175, 65, 100, 100};
    const char* titles[] = {"N", "Picture", "Address", "Length", "Spare"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(grid->columnWidth(c), widths[c]) << c;
        ASSERT_NE(grid->horizontalHeaderItem(c), nullptr);
        EXPECT_EQ(grid->horizontalHeaderItem(c)->text(), QString::fromLatin1(titles[c]));
    }
    EXPECT_EQ(grid->rowCount(), 1) << "one picture row under the title row";
    EXPECT_EQ(grid->rowHeight(0), 15);
    EXPECT_TRUE(grid->verticalHeader()->isHidden()) << "no title column";
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(grid->showGrid());
    EXPECT_EQ(grid->toolTip(), QStringLiteral("DobleClick to view the image"));
    EXPECT_EQ(grid->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(WindowLayoutTest, TypicalTextsFitTheirColumnsAndTheLog) {
    const QFontMetrics grid = h.form->StringGrid1->fontMetrics();
    const struct {
        int column;
        const char* text;
        int margin;  // the cell's own inner margins
    } cells[] = {{0, "9*", 0},
                 {1, "MPEG2 Video  720x 576, 29.97 fps", 6},
                 {2, "0x001F4000", 6},
                 {3, "123456 B (120.56 kB)", 6},
                 {4, "123456 B (120.56 kB)", 6}};
    for (const auto& c : cells) {
        EXPECT_LE(grid.horizontalAdvance(QString::fromLatin1(c.text)) + c.margin,
                  h.form->StringGrid1->columnWidth(c.column))
            << c.text;
    }
    h.form->show();
    const int logWidth = h.form->Memo1->viewport()->width() -
                         2 * static_cast<int>(h.form->Memo1->document()->documentMargin());
    EXPECT_LE(h.form->Memo1->fontMetrics().horizontalAdvance(QString(50, QLatin1Char('='))),
              logWidth);
}

TEST_F(WindowLayoutTest, PopupMenuHasItsItemsWithSmallIcons) {
    const QList<QAction*> actions = h.form->PopupMenu1->actions();
    ASSERT_EQ(actions.size(), 5);
    const char* names[] = {"View1", "Savevideo1", "Savepicture1", "Play1", "SavePng1"};
    const char* texts[] = {"View", "Save MPEG video", "Save TGA picture", "Play in video player",
                           "Save as PNG…"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(actions[i]->objectName(), QString::fromLatin1(names[i]));
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(texts[i]));
        ASSERT_FALSE(actions[i]->icon().isNull());
        EXPECT_FALSE(actions[i]->icon().pixmap(16, 16).isNull());
        EXPECT_TRUE(actions[i]->isEnabled());
    }
    EXPECT_EQ(h.form->PopupMenu1->style()->pixelMetric(QStyle::PM_SmallIconSize), 16);
}

TEST_F(WindowLayoutTest, CommandButtonsCarryGlyphs) {
    for (const QPushButton* b : {h.form->BitBtn1, h.form->BitBtn2, h.form->BitBtn3}) {
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    }
}

}  // namespace
}  // namespace velmora::testing
