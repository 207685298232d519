#include "jobs/JobOptions.h"

#include "jobs/IniFile.h"

namespace trevane {

namespace {

std::string optionKey(int index) {
    return "bOption" + std::to_string(index);
}

JobOptions withItems(std::initializer_list<int> on) {
    JobOptions options;
    for (const int index : on)
        options.bOption[index] = true;
    return options;
}

} // namespace

JobOptions JobOptions::editorDefaults() {
    return withItems({1, 2, 4, 5, 13});
}

JobOptions JobOptions::runnerDefaults() {
    return withItems({1, 2, 4, 5, 6});
}

JobOptions JobOptions::read(const IniFile& ini, std::string_view section,
                            const JobOptions& defaults) {
    JobOptions options;
    for (int i = 0; i < OptionCount; ++i)
        options.bOption[i] = ini.readBool(section, optionKey(i), defaults.bOption[i]);
    options.iCell0Width = ini.readInteger(section, "iCell0Width", defaults.iCell0Width);
    options.iCell1Width = ini.readInteger(section, "iCell1Width", defaults.iCell1Width);
    options.iCell2Width = ini.readInteger(section, "iCell2Width", defaults.iCell2Width);
    options.asDOptionTime = ini.readString(section, "asDOptionTime", defaults.asDOptionTime);
    return options;
}

void JobOptions::write(IniFile& ini, std::string_view section) const {
    for (int i = 0; i < OptionCount; ++i)
        ini.writeBool(section, optionKey(i), bOption[i]);
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

SwitchTexts switchTexts(const std::array<bool, JobOptions::OptionCount>& on,
                        std::string_view date) {
    SwitchTexts texts;
    texts.xcopy = "/Y";
    if (on[0])
        texts.xcopy += "/C";
    if (on[1]) {
        texts.xcopy += "/D";
        if (on[11]) {
            texts.xcopy += ":";
            texts.xcopy += date;
        }
    }
    if (on[2])
        texts.xcopy += "/S";
    if (on[3])
        texts.xcopy += "/H";
    if (on[4])
        texts.xcopy += "/I";
    if (on[5])
        texts.xcopy += "/K";
    if (on[6])
        texts.xcopy += "/R";
    if (on[12])
        texts.u += "-c";
    if (on[13])
        texts.u += "-d1";
    return texts;
}

} // namespace trevane
