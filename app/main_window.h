// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/dropped_files.h"
#include "app/preview_window.h"
#include "app/question_gate.h"
#include "app/sunken_panel.h"
#include "app/window_core.h"
#include "app/window_memory.h"
#include "catalogue/session.h"
#include "person/dialogs.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace velmora {

class TForm1;
class WorkFolderClaim;
using DialogsFactory = std::function<std::unique_ptr<Dialogs>(TForm1&)>;

// The main window. Controls keep their design names (also as object names);
// each handler is a thin layer over the core.
class TForm1 : public QWidget {
  public:
    // makeDialogs builds the person the handlers talk to (real Qt dialogs when
    // empty); core holds the operations (the real ones when left default).
    explicit TForm1(DialogsFactory makeDialogs = {}, WindowCore core = realCore());
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Handlers.
    void FormCreate();
    void Button2Click();                                // "Open Firmware file"
    void analyseFirmwareFile(const std::string& path);  // its work once a file is chosen
    void ChangeStat(bool on);
    void Button1Click();                              // "Open Image file"
    void Button3Click();                              // "Replace Image"
    void StringGrid1SelectCell(int column, int row);  // row 0 is the title row
    void PopupMenu1Popup();
    void View1Click();
    void Savevideo1Click();
    void Savepicture1Click();
    void SavePng1Click();  // "Save as PNG…": either picture kind, as decoded
    void Play1Click();     // hands an MPEG-4 picture to the desktop's video player
    void FormClose();
    void Panel5Click();
    void Restore1Click();  // "Restore the original firmware" on the firmware name
    // Stops the running action (the Cancel button, Escape, closing the window).
    void cancelWork();

    [[nodiscard]] Session& session() { return session_; }
    [[nodiscard]] Dialogs& dialogs() { return *dialogs_; }
    [[nodiscard]] PreviewWindows& previews() { return previews_; }
    [[nodiscard]] bool busy() const { return busy_; }
    // The work waits for the person to answer a question of the window.
    [[nodiscard]] bool workWaitsForAnswer() const { return questionGate_.workWaits(); }

    // The option controls as the replacement reads them.
    [[nodiscard]] ReplaceOptions optionsFromControls() const;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3;
    SunkenPanel *Panel1, *Panel2, *Panel3, *Panel4, *Panel5;
    QProgressBar* ProgressBar1;
    QGroupBox* RadioGroup1;
    QTableWidget* StringGrid1;
    QGroupBox *GroupBox1, *GroupBox2;
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton3, *RadioButton4, *RadioButton5,
        *RadioButton6, *RadioButton7;
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4;
    QPlainTextEdit* Memo1;
    QMenu* PopupMenu1;
    QAction *View1, *Savevideo1, *Savepicture1, *SavePng1, *Play1;
    QMenu* Panel2Menu;
    QAction *Restore1, *ShowChanges1;
    // On the image-name panel's menu: look at the new picture before it is
    // written (off by default).
    QAction* BeforeAfter1;
    // On the same menu, beside it: which encoder converts a photo, and how a
    // photo of other proportions is fitted (one of each is checked).
    QAction *EncoderBuiltin1, *EncoderTools1;
    QAction *FitStretch1, *FitCrop1, *FitInside1;

    // From now on remembers folders, recent firmware files, place and size
    // there (the real program; tests leave the user's settings alone).
    void remember(std::unique_ptr<WindowMemory> memory);
    [[nodiscard]] WindowMemory* memory() { return memory_.get(); }
    // The menu of recent firmware files ("Open Firmware file" by right-click).
    [[nodiscard]] QMenu* recentMenu();

    // Opens a file as if dropped on the window: a firmware is analysed, a
    // picture or stream becomes the replacement source.
    void openDroppedFile(const std::string& path);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createControls();
    void createOptionGroups();
    void createEncoderChoices();
    // Checks the remembered one of choices and keeps each new choice.
    void rememberChoices(const QList<QAction*>& choices, int remembered,
                         const std::function<void(int)>& keep);
    void createGrid();
    void createPopupMenu();
    void createFirmwareNameMenu();
    void connectHandlers();
    void createShortcuts();
    void layOutForSize(const QSize& size);
    void fitOnScreen();
    [[nodiscard]] bool canOpenDropped(DroppedFile kind) const;
    // "Open Image file" once the file is known (chosen or dropped), then the
    // controls that follow the accepted source.
    void openSource(const std::string& path);
    void showPictureRows();
    [[nodiscard]] bool hasSelectedPicture() const;
    // The window's adapter: runs a core action and tells the person how it
    // ended. True when it was done.
    bool finish(const std::function<Outcome()>& action);
    // The same for an action that runs on a worker thread while the window
    // stays responsive; the commands are disabled meanwhile and "Replace
    // Image" cancels. ui reaches the person from the worker.
    bool runBusy(const std::function<Outcome(Dialogs&)>& action, Dialogs* person = nullptr);
    void closeIfAsked();
    // Keeps the work folder from other Velmoras from the first action on, for
    // the window's life (its working copy lives from one action to the next);
    // claimed anew when the work folder was changed meanwhile.
    void claimWorkFolder();
    [[nodiscard]] Answer showBeforeAfter(const PendingReplacement& pending);

    Session session_;
    WindowCore core_;
    PreviewWindows previews_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<WindowMemory> memory_;
    std::unique_ptr<WorkFolderClaim> workFolder_;
    QMenu* recentMenu_ = nullptr;
    bool busy_ = false;
    bool closeRequested_ = false;
    bool askingToClose_ = false;
    // Holds the work back while the window asks something of its own.
    QuestionGate questionGate_;
    // Controls below the grid, at their designed places: they move down as it grows.
    std::vector<std::pair<QWidget*, QPoint>> belowGrid_;
};

inline constexpr int kDesignedWidth = 499;
inline constexpr int kDesignedHeight = 499;

inline constexpr const char* kWindowTitle = "Velmora";
inline constexpr const char* kGridHint = "DobleClick to view the image";
inline constexpr const char* kUnreferencedHint =
    "No record found leads the player to this picture (an old copy left by a move, for "
    "one): the player may not show it.";
inline constexpr const char* kCancelCaption = "Cancel";
inline constexpr const char* kCloseDuringWorkCaption = "Confirmation";
inline constexpr const char* kCloseDuringWorkText =
    "The program is still working. Cancel the work and close the window?";

}  // namespace velmora
