// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>
#include <QPointer>

#include "person/dialogs.h"

class QFileDialog;
class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace velmora {

class WindowMemory;

// The person reached through real Qt dialogs; the log and the progress bar
// are the main window's.
class QtDialogs : public Dialogs {
  public:
    QtDialogs(QWidget* owner, QPlainTextEdit* log, QProgressBar* bar);

    void log(const std::string& line) override;
    void repaintLog() override;
    void progress(int percent) override;
    Answer ask(Question question, const std::string& caption, const std::string& text) override;
    void error(const std::string& caption, const std::string& text) override;
    void information(const std::string& caption, const std::string& text) override;
    std::optional<std::string> chooseOpenFile(const std::string& filter) override;
    std::optional<std::string> chooseSaveFile(const std::string& filter,
                                              const std::string& proposedName) override;
    void openWithDesktop(const std::string& path) override;

    // Keeps the last folder of each file dialog there, between runs too.
    void rememberFoldersIn(WindowMemory* memory) { memory_ = memory; }

  private:
    QMessageBox::StandardButton box(QMessageBox::Icon icon, const std::string& caption,
                                    const std::string& text, QMessageBox::StandardButtons buttons);

    // Runs a file dialog in the folder last chosen in, and remembers the choice's folder.
    std::optional<std::string> runFileDialog(QFileDialog& dialog, const std::string& filter);
    [[nodiscard]] QString startFolder(const std::string& filter) const;

    QPointer<QWidget> owner_;
    QPointer<QPlainTextEdit> log_;
    QPointer<QProgressBar> bar_;
    QString lastFolder_;
    WindowMemory* memory_ = nullptr;
};

// Message texts separate lines by a carriage return alone; Qt breaks lines at
// a line feed.
[[nodiscard]] QString toDisplayText(const std::string& text);

}  // namespace velmora
