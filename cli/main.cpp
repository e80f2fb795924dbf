// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli: the program's work without a window, for scripts and tests.
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

#include "catalogue/working_copy.h"
#include "cli/commands.h"
#include "cli/stop_signals.h"
#include "convert/tool_run.h"
#include "convert/work_dirs.h"
#include "firmware/file_io.h"

namespace {

using velmora::cli::Arguments;

constexpr const char* kUsage =
    "usage: velmora-cli analyze FIRMWARE [--json]\n"
    "       velmora-cli extract FIRMWARE N OUTPUT\n"
    "       velmora-cli tga     FIRMWARE N OUTPUT\n"
    "       velmora-cli png     FIRMWARE N OUTPUT.png\n"
    "       velmora-cli replace FIRMWARE N SOURCE [--move] [--force] [--no-spare]\n"
    "               [--colors 24|256|16] [--greyscale] [--rotate 90|180|270] [--hmirror] "
    "[--vmirror]\n"
    "               [--dry-run] [--no-backup] [--encoder builtin|tools]\n"
    "               [--fit stretch|crop|fit] [--no-wait]\n"
    "       velmora-cli restore FIRMWARE   (puts FIRMWARE.orig back)\n"
    "common option: --tool-dir DIR; -- ends the options\n";

// What --help adds to the usage.
constexpr const char* kHelp =
    "\n"
    "Lists, saves and replaces the background pictures in the flash firmware of a\n"
    "DVD player built on Zoran Vaddis chips. Pictures are numbered from 1 as\n"
    "analyze lists them.\n"
    "\n"
    "  analyze   print the processing log and one line per picture\n"
    "            (--json: one JSON document on standard output, the log on\n"
    "            standard error)\n"
    "  extract   save picture N's stream as OUTPUT (.m2v or .m4v)\n"
    "  tga       save MPEG-2 picture N as the TGA picture OUTPUT.tga\n"
    "            (OUTPUT itself when it ends in .tga)\n"
    "  png       save picture N as decoded, at its stored size, as a PNG picture\n"
    "  replace   replace picture N with the JPEG photo or MPEG stream SOURCE;\n"
    "            the firmware is rewritten in place, kept first as FIRMWARE.orig\n"
    "            (--dry-run: only say what would change; --no-backup: go on\n"
    "            when FIRMWARE.orig cannot be made, which is still made when it can;\n"
    "            --no-wait: refuse at once, rather than wait, while another Velmora\n"
    "            is changing FIRMWARE)\n"
    "            a photo is converted by the built-in encoder (--encoder builtin,\n"
    "            the default) or the external tool chain (--encoder tools); --fit\n"
    "            brings a photo of other proportions to the TV's: stretch (the\n"
    "            default), crop (to fill) or fit (inside, black borders)\n"
    "            (--any-format: also a stream whose size, frame rate or other\n"
    "            format differs from the picture's, which a player may not show)\n"
    "  restore   put FIRMWARE.orig back\n"
    "\n"
    "  --help, -h      show this help\n"
    "  --version       show the version\n"
    "\n"
    "Exit status: 0 done, 1 refused or failed, 2 wrong usage, 130 cancelled.\n"
    "See velmora-cli(1).\n";

// Options that take a value; the value is kept as "--name=value".
const std::set<std::string> kValueOptions = {"--tool-dir", "--colors", "--rotate", "--encoder",
                                             "--fit"};

Arguments parse(int argc, char** argv, int from) {
    Arguments args;
    bool optionsEnded = false;
    for (int i = from; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--" && !optionsEnded) {
            optionsEnded = true;  // what follows are names, even those starting with "--"
        } else if (optionsEnded || a.rfind("--", 0) != 0) {
            args.positional.push_back(a);
        } else if (kValueOptions.count(a) != 0) {
            if (i + 1 >= argc) throw velmora::cli::UsageError{a + " needs a value"};
            args.flags.push_back(a + "=" + argv[++i]);
        } else {
            args.flags.push_back(a);
        }
    }
    return args;
}

// As the window does when it closes: the work copy goes with the program,
// however the command ends.
struct WorkCopyRemoval {
    explicit WorkCopyRemoval(const velmora::Session& s) : session(s) {}
    const velmora::Session& session;
    WorkCopyRemoval(const WorkCopyRemoval&) = delete;
    WorkCopyRemoval& operator=(const WorkCopyRemoval&) = delete;
    ~WorkCopyRemoval() { velmora::removeFileIfExists(session.workFile(velmora::kWorkingCopy)); }
};

}  // namespace

int main(int argc, char** argv) {
    using namespace velmora;
    if (argc < 2) {
        std::cerr << kUsage;
        return cli::kExitUsage;
    }
    if (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cout << kUsage << kHelp;
        return cli::kExitOk;
    }
    if (std::string(argv[1]) == "--version") {
        std::cout << "velmora-cli " VELMORA_VERSION "\n";
        return cli::kExitOk;
    }
    const std::map<std::string, int (*)(Session&, cli::CliDialogs&, const Arguments&)> commands = {
        {"analyze", cli::runAnalyze}, {"extract", cli::runExtract}, {"tga", cli::runTga},
        {"replace", cli::runReplace}, {"restore", cli::runRestore}, {"png", cli::runPng},
    };
    const auto command = commands.find(argv[1]);
    if (command == commands.end()) {
        std::cerr << "velmora-cli: unknown command '" << argv[1] << "'\n" << kUsage;
        return cli::kExitUsage;
    }
    try {
        Arguments args = parse(argc, argv, 2);
        Session session;
        session.Control->toolTimeout = toolTimeoutFrom(std::getenv("VELMORA_TOOL_TIMEOUT"));
        if (const auto problem = toolTimeoutProblem(std::getenv("VELMORA_TOOL_TIMEOUT")))
            std::cerr << "velmora-cli: " << *problem << '\n';
        cli::cancelOnStopSignals(session.Control);
        // Kept from other Velmoras' runs until the program ends.
        const WorkFolderClaim workFolder(chooseTempDir());
        session.TempDir = workFolder.path();
        session.TempDirDescriptor = workFolder.descriptor();
        session.ToolDir = chooseToolDir(currentDir(), executableDir());
        std::erase_if(args.flags, [&](const std::string& f) {
            if (f.rfind("--tool-dir=", 0) != 0) return false;
            session.ToolDir = f.substr(11);
            return true;
        });
        cli::CliDialogs ui;
        ui.control = session.Control.get();
        const WorkCopyRemoval removal{session};
        return command->second(session, ui, args);
    } catch (const cli::UsageError& e) {
        std::cout.flush();  // log lines so far come first
        std::cerr << "velmora-cli: " << e.message << '\n' << kUsage;
        return cli::kExitUsage;
    }
}
