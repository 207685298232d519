#include "jobs/JobOptions.h"

#include "jobs/IniFile.h"

namespace trevane {

namespace {

std::string optionKey(int index) {
    return "bOption" + std::to_string(index);
}

} // namespace

JobOptions JobOptions::editorDefaults() {
    JobOptions options;
    options.items = {JobOption::XcopyNewerOnly, JobOption::XcopySubfolders,
                     JobOption::CreateDestination, JobOption::XcopyAttributes,
                     JobOption::ArchiveFolders};
    return options;
}

JobOptions JobOptions::runnerDefaults() {
    JobOptions options;
    options.items = {JobOption::XcopyNewerOnly, JobOption::XcopySubfolders,
                     JobOption::CreateDestination, JobOption::XcopyAttributes,
                     JobOption::XcopyReadOnly};
    return options;
}

JobOptions JobOptions::read(const IniFile& ini, std::string_view section,
                            const JobOptions& defaults) {
    JobOptions options;
    for (int i = 0; i < OptionCount; ++i)
        options.items.setAt(i, ini.readBool(section, optionKey(i), defaults.items.at(i)));
    options.iCell0Width = ini.readInteger(section, "iCell0Width", defaults.iCell0Width);
    options.iCell1Width = ini.readInteger(section, "iCell1Width", defaults.iCell1Width);
    options.iCell2Width = ini.readInteger(section, "iCell2Width", defaults.iCell2Width);
    options.asDOptionTime = ini.readString(section, "asDOptionTime", defaults.asDOptionTime);
    return options;
}

void JobOptions::write(IniFile& ini, std::string_view section) const {
    for (int i = 0; i < OptionCount; ++i)
        ini.writeBool(section, optionKey(i), items.at(i));
    ini.writeInteger(section, "iCell0Width", iCell0Width);
    ini.writeInteger(section, "iCell1Width", iCell1Width);
    ini.writeInteger(section, "iCell2Width", iCell2Width);
    ini.writeString(section, "asDOptionTime", asDOptionTime);
}

const std::array<std::string_view, JobOptions::OptionCount>& JobOptions::itemTexts() {
    static const std::array<std::string_view, OptionCount> texts = {
        "xcopy /C エラーが発生してもコピーを続ける",
        "xcopy /D タイムスタンプを比較して更新ファイルのみをコピー",
        "xcopy /S 空のディレクトリを除いてサブディレクトリもコピーする",
        "xcopy /H 不可視ファイルとシステムファイルもコピー",
        "xcopy /I  コピー先のディレクトリがないとき新規に作成",
        "xcopy /K 属性をコピーする",
        "xcopy /R 読取専用ファイルも上書きコピー",
        "共通： コピー先をいったん消去してからコピー開始",
        "共通： ログファイルをコピー先にコピー",
        "共通： 実行時にコピー先のフォルダーを開く",
        "共通： 開始と同時にタスクトレーに隠す",
        "xcopy /Dオプションで指定日付以降のファイルをすべてコピー",
        "u -c タイムスタンプ検査を省略してすべて上書き圧縮",
        "u -d1 全ての属性とディレクトリ構造を保存したまま圧縮",
    };
    return texts;
}

std::string SwitchTexts::panelText() const {
    return "xcopy " + xcopy + " || u " + u;
}

SwitchTexts switchTexts(const JobOptionItems& on, std::string_view date) {
    using O = JobOption;
    SwitchTexts texts;
    texts.xcopy = "/Y";
    if (on[O::XcopyContinue])
        texts.xcopy += "/C";
    if (on[O::XcopyNewerOnly]) {
        texts.xcopy += "/D";
        if (on[O::XcopySinceDate]) {
            texts.xcopy += ":";
            texts.xcopy += date;
        }
    }
    if (on[O::XcopySubfolders])
        texts.xcopy += "/S";
    if (on[O::XcopyHidden])
        texts.xcopy += "/H";
    if (on[O::CreateDestination])
        texts.xcopy += "/I";
    if (on[O::XcopyAttributes])
        texts.xcopy += "/K";
    if (on[O::XcopyReadOnly])
        texts.xcopy += "/R";
    if (on[O::ArchiveAll])
        texts.u += "-c";
    if (on[O::ArchiveFolders])
        texts.u += "-d1";
    return texts;
}

} // namespace trevane
