#pragma once

#include "jobs/JobTable.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// One job row as every part of the program reads it: the job table (what is saved, which rows
// get a hint), the command list preview and the runner. The folder, files, archive and switch
// cells are trimmed of leading and trailing bytes 0x00-0x20; the command cell is kept as stored,
// so a command of blanks is still a command.
struct JobRow {
    enum class Kind {
        Skipped, // no command, and the source or the destination cell is empty: not saved, no
                 // hint, no step of a run
        Command, // the command cell, started as stored without waiting
        Copy,    // an xcopy copy from the source to the destination
        Archive, // an update of the archive named by the archive cell
    };

    Kind kind = Kind::Skipped;
    std::string source;
    std::string destination;
    std::string files;
    std::string archive;
    std::string xcopySwitches;
    std::string uSwitches;
    std::string command;

    // Cells 1..7 in column order (a job-file line's items); missing cells are empty, cells past
    // the seventh are ignored.
    static JobRow fromCells(const std::vector<std::string>& cells);
    // A job-file line, split by the comma-text rules.
    static JobRow fromLine(std::string_view line);
    // Columns 1..7 of a row of the job table.
    static JobRow fromTableRow(const JobTable::Row& row);

    // Removes leading and trailing bytes 0x00-0x20.
    static std::string trimmed(std::string_view cell);

    // A row that is saved, hinted and run as a step (a command, a copy or an archive row).
    bool isStep() const { return kind != Kind::Skipped; }
    // A copy or archive step one of whose folder cells holds nothing but blanks: there is no
    // folder to copy from or to, and the runner skips the step with a line saying which cell.
    bool sourceBlank() const { return isFolderStep() && source.empty(); }
    bool destinationBlank() const { return isFolderStep() && destination.empty(); }

private:
    bool isFolderStep() const { return kind == Kind::Copy || kind == Kind::Archive; }
};

} // namespace trevane
