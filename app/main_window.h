#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "app/preview_window.h"
#include "app/sunken_panel.h"
#include "app/window_core.h"
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
    void FormClose();
    void Panel5Click();
    void Restore1Click();  // "Restore the original firmware" on the firmware name

    [[nodiscard]] Session& session() { return session_; }
    [[nodiscard]] Dialogs& dialogs() { return *dialogs_; }
    [[nodiscard]] PreviewWindows& previews() { return previews_; }
    [[nodiscard]] bool busy() const { return busy_; }

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
    QAction *View1, *Savevideo1, *Savepicture1;
    QMenu* Panel2Menu;
    QAction *Restore1, *ShowChanges1;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void createOptionGroups();
    void createGrid();
    void createPopupMenu();
    void createFirmwareNameMenu();
    void connectHandlers();
    void showPictureRows();
    [[nodiscard]] bool hasSelectedPicture() const;
    // The window's adapter: runs a core action and tells the person how it
    // ended. True when it was done.
    bool finish(const std::function<Outcome()>& action);

    Session session_;
    WindowCore core_;
    PreviewWindows previews_;
    std::unique_ptr<Dialogs> dialogs_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

inline constexpr const char* kWindowTitle = "Velmora";
inline constexpr const char* kGridHint = "DobleClick to view the image";

}  // namespace velmora
