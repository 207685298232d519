#include "jobs/JobDocument.h"

#include "jobs/IniFile.h"
#include "jobs/JobFile.h"
#include "jobs/ProgramFiles.h"

#include <cstdio>

namespace trevane {

JobDocument::JobDocument(std::string jobFileFolder, std::string settingsPath)
    : m_jobFileFolder(std::move(jobFileFolder)), m_settingsPath(std::move(settingsPath)) {
    m_table.numberRows();
}

void JobDocument::setModified(bool value) {
    m_modified = value;
    notify();
}

void JobDocument::notify() const {
    if (m_listener)
        m_listener();
}

void JobDocument::setPath(std::string path) {
    m_path = std::move(path);
    notify();
}

void JobDocument::restorePath(std::string path) {
    m_path = std::move(path);
    if (m_path != NewFileName)
        readOptions();
}

bool JobDocument::setEditText(int column, int row, std::string text) {
    const bool changed = m_table.cell(column, row) != text;
    const bool appended = m_table.setEditText(column, row, std::move(text));
    if (changed)
        setModified(true);
    return appended;
}

EditResult JobDocument::edit(const std::function<EditResult(JobTableEditing&)>& command) {
    JobTableEditing editing(m_table, m_jobLines);
    EditResult result = command(editing);
    if (result.modified)
        setModified(true);
    return result;
}

EditResult JobDocument::undo(const GridSelection& selection) {
    // Undo reports no modification of its own, but a table it brings back differs from what
    // was there, and maybe from the file, as much as any edit does.
    const JobTable before = m_table;
    EditResult result = JobTableEditing(m_table, m_jobLines).undo(selection);
    if (result.done && !(m_table == before))
        setModified(true);
    return result;
}

JobTable::DropResult
JobDocument::dropFiles(int column, int row, const std::vector<std::string>& paths,
                       const std::function<bool(const std::string&)>& isDirectory) {
    JobTable::DropResult result = m_table.dropFiles(column, row, paths, isDirectory);
    setModified(true);
    return result;
}

bool JobDocument::changeTable(const std::function<bool(JobTable&)>& change) {
    const bool confirmed = change(m_table);
    if (confirmed)
        setModified(true);
    return confirmed;
}

void JobDocument::setOptionItems(const JobOptionItems& items, const std::string& date) {
    m_options.items = items;
    m_options.asDOptionTime = date;
    setModified(true);
}

void JobDocument::setColumnWidths(int width0, int width1, int width2) {
    m_options.iCell0Width = width0;
    m_options.iCell1Width = width1;
    m_options.iCell2Width = width2;
}

void JobDocument::readOptions() {
    // Keys missing from the section keep the check list's defaults and the present widths and
    // date, so opening a file saved without them changes nothing the user arranged.
    JobOptions defaults = JobOptions::editorDefaults();
    defaults.iCell0Width = m_options.iCell0Width;
    defaults.iCell1Width = m_options.iCell1Width;
    defaults.iCell2Width = m_options.iCell2Width;
    defaults.asDOptionTime = m_options.asDOptionTime;
    IniFile ini;
    (void)ini.load(m_settingsPath); // an unreadable file reads as an empty one: the defaults
    m_options = JobOptions::read(ini, m_path, defaults);
}

void JobDocument::newFile() {
    m_path = std::string(NewFileName);
    readOptions();
    m_options.items = JobOptions::editorDefaults().items;
    m_table.reset();
    setModified(false);
}

std::string JobDocument::recoveryPath() const {
    const std::string file =
        m_path == NewFileName ? PathConventions::native().join(m_jobFileFolder, m_path) : m_path;
    return file + ".recovery";
}

WriteResult JobDocument::writeRecovery() const {
    if (!m_modified)
        return {true, {}};
    return writeJobFile(recoveryPath(), m_table.tableToLines());
}

bool JobDocument::takeRecovery() {
    const std::string path = recoveryPath();
    JobFileLines kept = readJobFile(path);
    if (!kept.ok())
        return false;
    m_table.clearData();
    m_table.linesToTable(kept.lines);
    std::remove(path.c_str());
    setModified(true);
    return true;
}

JobDocument::OpenResult JobDocument::open(const std::string& path) {
    m_path = path;
    readOptions();
    m_table.clearData();
    JobFileLines file = readJobFile(path);
    if (!file.ok()) {
        notify();
        return {false, std::move(file.error)};
    }
    m_jobLines = std::move(file.lines);
    m_table.linesToTable(*m_jobLines);
    setModified(false);
    return {true, {}};
}

bool JobDocument::saveTo(const std::string& path, const Dialogs& dialogs) {
    m_jobLines = m_table.tableToLines();
    WriteResult written = writeJobFile(path, *m_jobLines);
    if (!written.ok) {
        dialogs.warn(path + "\nに保存できませんでした。\n" + written.error);
        return false;
    }
    if (path != m_path)
        setPath(path);
    // The options section shares its file with the settings and every other job's options;
    // IniFile never writes over a file it could not read whole.
    IniFile ini;
    (void)ini.load(m_settingsPath);
    m_options.write(ini, m_path);
    const WriteResult stored = ini.saveAs(m_settingsPath);
    if (!stored.ok) {
        dialogs.warn(m_settingsPath + "\nにジョブのオプションを保存できませんでした。\n" +
                     stored.error);
        return false;
    }
    setModified(false);
    return true;
}

bool JobDocument::saveAs(const Dialogs& dialogs) {
    const PathConventions& conventions = PathConventions::native();
    const std::string proposed = m_path.find(conventions.separator) == std::string::npos
                                     ? conventions.join(m_jobFileFolder, m_path)
                                     : m_path;
    const std::optional<std::string> chosen = dialogs.chooseSavePath(proposed);
    if (!chosen || chosen->empty())
        return false;
    return saveTo(*chosen, dialogs);
}

bool JobDocument::save(const Dialogs& dialogs) {
    if (m_path == NewFileName || m_path.empty())
        return saveAs(dialogs);
    return saveTo(m_path, dialogs);
}

bool JobDocument::readyToRun(const Dialogs& dialogs) {
    if (isJobFileIn(m_jobFileFolder, m_path))
        return true;
    if (!dialogs.confirm("このジョブファイルはCPLフォルダにないので実行できません。\n"
                         "CPLフォルダに保存して開始しますか"))
        return false;
    const PathConventions& conventions = PathConventions::native();
    const std::optional<std::string> chosen =
        dialogs.chooseSavePath(conventions.join(m_jobFileFolder, conventions.fileName(m_path)));
    if (!chosen || chosen->empty())
        return false;
    if (!isJobFileIn(m_jobFileFolder, *chosen)) {
        dialogs.warn("CPLフォルダに保存したジョブファイルだけを実行できます。\n" + *chosen +
                     "\nには保存しませんでした。");
        return false;
    }
    return saveTo(*chosen, dialogs);
}

JobDocument::Answer JobDocument::querySaveChanges(const Dialogs& dialogs) {
    if (!m_modified)
        return Answer::Yes;
    const Answer answer = dialogs.askSaveChanges();
    if (answer == Answer::Yes && !save(dialogs))
        return Answer::Cancel;
    return answer;
}

} // namespace trevane
