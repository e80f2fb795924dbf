// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_dialogs.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>

#include "app/file_filter.h"
#include "app/window_memory.h"
#include "media/save_names.h"

namespace velmora {

QString toDisplayText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QtDialogs::QtDialogs(QWidget* owner, QPlainTextEdit* log, QProgressBar* bar)
    : owner_(owner), log_(log), bar_(bar) {}

void QtDialogs::log(const std::string& line) {
    if (log_ != nullptr) log_->appendPlainText(QString::fromStdString(line));
}

void QtDialogs::repaintLog() {
    if (log_ == nullptr) return;
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    log_->viewport()->repaint();
}

void QtDialogs::progress(int percent) {
    // The work runs on a worker thread while the window's event loop goes on:
    // the bar repaints by itself.
    if (bar_ != nullptr) bar_->setValue(percent);
}

QMessageBox::StandardButton QtDialogs::box(QMessageBox::Icon icon, const std::string& caption,
                                           const std::string& text,
                                           QMessageBox::StandardButtons buttons) {
    QMessageBox message(icon, QString::fromStdString(caption), toDisplayText(text), buttons,
                        owner_);
    return static_cast<QMessageBox::StandardButton>(message.exec());
}

Answer QtDialogs::ask(Question question, const std::string& caption, const std::string& text) {
    // A stream unlike the picture may leave the player's screen empty: a
    // warning, and Enter alone does not write it.
    const bool warning = question == Question::DifferentFormat;
    QMessageBox message(warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                        QString::fromStdString(caption), toDisplayText(text),
                        QMessageBox::Yes | QMessageBox::No, owner_);
    if (warning) message.setDefaultButton(QMessageBox::No);
    // Escape and the title bar's close button leave the question unanswered:
    // they press this hidden button, never No.
    QAbstractButton* unanswered = message.addButton(QMessageBox::Cancel);
    unanswered->hide();
    message.setEscapeButton(unanswered);
    message.exec();
    if (message.clickedButton() == message.button(QMessageBox::Yes)) return Answer::Yes;
    if (message.clickedButton() == message.button(QMessageBox::No)) return Answer::No;
    return Answer::Cancelled;
}

void QtDialogs::error(const std::string& caption, const std::string& text) {
    static_cast<void>(box(QMessageBox::Critical, caption, text, QMessageBox::Ok));
}

void QtDialogs::information(const std::string& caption, const std::string& text) {
    static_cast<void>(box(QMessageBox::Information, caption, text, QMessageBox::Ok));
}

std::optional<std::string> QtDialogs::chooseOpenFile(const std::string& filter) {
    QFileDialog dialog(owner_, QString(), startFolder(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(toQtNameFilters(filter));
    return runFileDialog(dialog, filter);
}

std::optional<std::string> QtDialogs::chooseSaveFile(const std::string& filter,
                                                     const std::string& proposedName) {
    QFileDialog dialog(owner_, QString(), startFolder(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(toQtNameFilters(filter));
    dialog.selectFile(QString::fromStdString(proposedName));
    // A TGA picture is written as the chosen name plus ".tga": the core asks
    // about that file, so the dialog must not ask about the name without it.
    if (filter == kTargaFilter) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return runFileDialog(dialog, filter);
}

QString QtDialogs::startFolder(const std::string& filter) const {
    // Each dialog (told apart by what it filters) starts where it was left.
    if (memory_ != nullptr) {
        const QString remembered = memory_->folder(QString::fromStdString(filter));
        if (!remembered.isEmpty()) return remembered;
    }
    return lastFolder_;
}

std::optional<std::string> QtDialogs::runFileDialog(QFileDialog& dialog,
                                                    const std::string& filter) {
    // The patterns stay in the filters for Qt, but the person sees the descriptions.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(chosen).absolutePath();
    if (memory_ != nullptr) memory_->setFolder(QString::fromStdString(filter), lastFolder_);
    return chosen.toStdString();
}

void QtDialogs::openWithDesktop(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace velmora
