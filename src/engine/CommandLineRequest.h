#pragma once

#include <string>
#include <vector>

namespace trevane {

// What the program's command line asks for. Without any of the program's own options the
// window opens, and every option is left to the toolkit (its "-platform", "-style" and the
// like); with one of them the program runs without a window and decides everything here:
//
//   trevane [JOBFILE]           the window, which opens the job file (the window of the
//                               instance that runs already, when there is one)
//   trevane --run [--verify] JOBFILE...    run the named job files, then exit
//   trevane --run-registered [--verify]    run the registered jobs (BGCopyList.txt), then exit
//   (--verify: verify every copy and archive row after it, whatever the setting bVerify says)
//   trevane --restore ARCHIVE|FOLDER --to TARGET [--overwrite] [NAME...]
//                               restore a backup into TARGET, then exit
//   trevane --help | --version
struct CommandLineRequest {
    enum class Mode {
        Window,        // no option of the program's own: start the window
        Help,          // --help anywhere
        Version,       // --version anywhere (and no --help)
        RunFiles,      // --run with its job files
        RunRegistered, // --run-registered
        Restore,       // --restore with what, where to and which names
        Wrong,         // a run request that cannot be carried out, or an option that is
                       // neither the program's nor the toolkit's; error says why
    };

    Mode mode = Mode::Window;
    std::vector<std::string> jobFiles; // RunFiles: the arguments after --run, as given
    std::string openFile;              // Window: the job file to open, as given; or empty
    bool verify = false;               // RunFiles, RunRegistered: --verify was given
    std::string error;                 // Wrong: one line, without the program name
    // Restore: the archive or folder, the target folder, the names (none: everything) and
    // whether newer files of the target are replaced.
    std::string restoreFrom;
    std::string restoreTo;
    std::vector<std::string> restoreNames;
    bool overwrite = false;

    // args: the arguments after the program name.
    static CommandLineRequest parse(const std::vector<std::string>& args);

    // The text --help prints.
    static std::string helpText();
};

} // namespace trevane
