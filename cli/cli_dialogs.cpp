// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_dialogs.h"

#include <algorithm>
#include <string>

namespace velmora::cli {
namespace {

// A box's lines, joined by "\r", one a line on the terminal.
std::string linesOf(std::string text) {
    std::replace(text.begin(), text.end(), '\r', '\n');
    return text;
}

}  // namespace

Answer CliDialogs::ask(Question question, const std::string&, const std::string& text) {
    std::cout.flush();  // the log so far comes before anything on standard error
    switch (question) {
        case Question::MovePicture:
            return answerMove ? Answer::Yes : Answer::No;
        case Question::Confirmation:
            if (answerConfirm) return Answer::Yes;
            std::cerr << "Confirmation: " << text
                      << "\nNot confirmed (use --force); nothing written.\n";
            return Answer::No;
        case Question::DifferentFormat:
            if (answerAnyFormat) return Answer::Yes;
            std::cerr << "Different picture format: " << linesOf(text)
                      << "\nNot replaced (use --any-format); nothing written.\n";
            return Answer::No;
        case Question::Overwrite:
            return Answer::Yes;  // OUTPUT names the file to write, whatever is there
        case Question::CancelWork:
            return Answer::No;  // the command line has no window to close
        case Question::ReplaceWithoutBackup:
            return answerNoBackup ? Answer::Yes : Answer::No;
        case Question::Restore:
        case Question::WriteChanges:
            return Answer::Yes;  // the command itself is the person's answer
    }
    return Answer::No;
}

void CliDialogs::error(const std::string& caption, const std::string& text) {
    std::cout.flush();
    std::cerr << caption << ": " << text << '\n';
}

int finish(const Outcome& outcome, CliDialogs& ui) {
    tellPerson(outcome, ui);
    if (outcome.isDone()) return kExitOk;
    if (outcome.is<Cancelled>()) return kExitCancelled;
    return kExitRefused;
}

}  // namespace velmora::cli
