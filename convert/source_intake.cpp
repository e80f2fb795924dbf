// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/source_intake.h"

#include "convert/jpeg_size.h"
#include "firmware/file_io.h"

namespace velmora {
namespace {

// The extension of the file name (not of a folder), dot included; empty when
// the name has no dot.
std::string extensionOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

// Only a..z change: the names are compared as the file system spells them.
std::string asciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace

bool isJpegSource(const std::string& path) {
    const std::string extension = asciiUpper(extensionOf(path));
    return extension == ".JPG" || extension == ".JPEG";
}

std::string sourceFilterFor(int kind) {
    if (kind == kKindMpeg2) {
        return "JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|"
               "Custom MPEG2 video (*.m2v;*.mpg; *.mpeg)|*.m2v;*.mpg;*.mpeg";
    }
    return "JPEG picture (*.jpeg; *.jpg)|*.jpg;*.jpeg|"
           "Custom MPEG4 video (*.m4v;*.mpg; *.mpeg)|*.m4v;*.mpg;*.mpeg";
}

Outcome openReplacementSource(Session& session, Dialogs& ui) {
    return guardIo([&] {
        const PictureEntry* selected = session.selected();
        const auto chosen = ui.chooseOpenFile(sourceFilterFor(selected ? selected->Kind : 0));
        if (!chosen) return Outcome::declined();

        AcceptedSource accepted;
        if (isJpegSource(*chosen)) {
            const auto size = ReadJpegSize(*chosen);
            if (!size) return Outcome::refused(kErrorCaption, "JPEG file corrupted!");
            accepted.isJpeg = true;
            accepted.panelCaption =
                "JPEG " + std::to_string(size->width) + "x" + std::to_string(size->height) + ": ";
            ui.log("JPEG Image opened.");
        } else {
            accepted.panelCaption = "MPEG file: ";
            ui.log("Custom MPEG file opened.");
        }
        accepted.panelCaption += fileNameOf(*chosen);
        session.SourceOpened = true;
        session.SourcePath = *chosen;
        session.SourceAccepted = accepted;
        return Outcome::done();
    });
}

}  // namespace velmora
