#include "engine/CommandLineRequest.h"

#include <algorithm>

namespace trevane {

namespace {

constexpr const char* runOption = "--run";
constexpr const char* runRegisteredOption = "--run-registered";
constexpr const char* restoreOption = "--restore";
constexpr const char* toOption = "--to";
constexpr const char* overwriteOption = "--overwrite";
constexpr const char* verifyOption = "--verify";
constexpr const char* helpOption = "--help";
constexpr const char* versionOption = "--version";

bool isOwnOption(const std::string& arg) {
    return arg == runOption || arg == runRegisteredOption || arg == restoreOption ||
           arg == helpOption || arg == versionOption || arg == verifyOption;
}

struct ToolkitOption {
    const char* name;
    bool takesValue; // the next argument is its value unless given as "-name=value"
};

// The toolkit's own options, which the window passes on to it ("-platform offscreen",
// "--style=fusion", "-session" from a session manager); any other option is a mistake.
const ToolkitOption* toolkitOption(const std::string& arg) {
    static const ToolkitOption options[] = {{"platform", true},      {"platformpluginpath", true},
                                            {"platformtheme", true}, {"plugin", true},
                                            {"style", true},         {"stylesheet", true},
                                            {"widgetcount", false},  {"reverse", false},
                                            {"session", true},       {"display", true},
                                            {"geometry", true},      {"qwindowgeometry", true},
                                            {"qwindowtitle", true},  {"qwindowicon", true},
                                            {"title", true},         {"name", true},
                                            {"nograb", false},       {"dograb", false},
                                            {"sync", false},         {"qmljsdebugger", false}};
    std::string name = arg.substr(arg.rfind("--", 0) == 0 ? 2 : 1);
    name = name.substr(0, name.find('='));
    for (const ToolkitOption& option : options)
        if (name == option.name)
            return &option;
    return nullptr;
}

CommandLineRequest wrong(std::string why) {
    CommandLineRequest request;
    request.mode = CommandLineRequest::Mode::Wrong;
    request.error = std::move(why);
    return request;
}

// --restore FROM --to TARGET [--overwrite] [NAME...]: the options may stand anywhere after
// --restore, the first other argument is what to restore from, the rest are names.
CommandLineRequest parseRestore(const std::vector<std::string>& args) {
    CommandLineRequest request;
    bool haveTo = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == toOption) {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return wrong("--to の後に復元先のフォルダを指定してください");
            if (haveTo)
                return wrong("--to は1つだけ指定できます");
            haveTo = true;
            request.restoreTo = args[++i];
        } else if (args[i] == overwriteOption) {
            request.overwrite = true;
        } else if (args[i].rfind("--", 0) == 0) {
            return wrong("知らないオプションか、置けない場所のオプションです: " + args[i]);
        } else if (request.restoreFrom.empty()) {
            if (args[i].empty())
                return wrong("--restore の復元元が空です");
            request.restoreFrom = args[i];
        } else {
            request.restoreNames.push_back(args[i]);
        }
    }
    if (request.restoreFrom.empty())
        return wrong("--restore には復元する書庫かフォルダを指定してください");
    if (!haveTo)
        return wrong("--restore には --to で復元先のフォルダを指定してください");
    request.mode = CommandLineRequest::Mode::Restore;
    return request;
}

} // namespace

CommandLineRequest CommandLineRequest::parse(const std::vector<std::string>& args) {
    CommandLineRequest request;
    const auto has = [&args](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (std::none_of(args.begin(), args.end(), isOwnOption)) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (arg.size() < 2 || arg[0] != '-') {
                if (!request.openFile.empty())
                    return wrong("開けるジョブファイルは1つだけです: " + arg);
                request.openFile = arg;
                continue;
            }
            const ToolkitOption* option = toolkitOption(arg);
            if (!option)
                return wrong("知らないオプションです: " + arg);
            if (option->takesValue && arg.find('=') == std::string::npos)
                ++i;
        }
        return request;
    }
    if (has(helpOption)) {
        request.mode = Mode::Help;
        return request;
    }
    if (has(versionOption)) {
        request.mode = Mode::Version;
        return request;
    }
    // A run: the first argument names it, and only job files and --verify may follow it.
    if (args.front() == runRegisteredOption) {
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] != verifyOption)
                return wrong("--run-registered の後には --verify のほかに何も指定できません: " +
                             args[i]);
            request.verify = true;
        }
        request.mode = Mode::RunRegistered;
        return request;
    }
    if (args.front() == restoreOption)
        return parseRestore(args);
    if (args.front() != runOption)
        return wrong("--run、--run-registered、--restore の前に指定できない引数です: " +
                     args.front());
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == verifyOption)
            request.verify = true;
        else if (args[i].rfind("--", 0) == 0)
            return wrong("知らないオプションか、置けない場所のオプションです: " + args[i]);
        else
            request.jobFiles.push_back(args[i]);
    }
    if (request.jobFiles.empty())
        return wrong("--run にはジョブファイルを1つ以上指定してください");
    request.mode = Mode::RunFiles;
    return request;
}

std::string CommandLineRequest::helpText() {
    return "使い方: trevane [ジョブファイル | --run [--verify] ジョブファイル... |\n"
           "                --run-registered [--verify] |\n"
           "                --restore 書庫|フォルダ --to 復元先 [--overwrite] [名前...] |\n"
           "                --help | --version]\n"
           "\n"
           "オプションなしで起動するとウインドウを開きます。ジョブファイルを1つ指定すると、それを\n"
           "ウインドウで開きます (Trevane が既に起動しているときは、そのウインドウで開きます)。\n"
           "\n"
           "  --run ジョブファイル...  "
           "指定したジョブファイルをウインドウなしで実行して終了します。\n"
           "                           名前だけ (daily.cpl) のときはジョブファイルのフォルダ\n"
           "                           CPL から探します\n"
           "  --run-registered         登録ジョブ (BGCopyList.txt) をウインドウなしで実行して\n"
           "                           終了します\n"
           "  --verify                 --run・--run-registered で、コピーと圧縮の行ごとに\n"
           "                           バックアップを元のファイルと1バイトずつ比べます\n"
           "                           (設定の「バックアップ後に検証する」と同じ)。違いが\n"
           "                           あればその手順は失敗です\n"
           "  --restore 書庫|フォルダ --to 復元先 [--overwrite] [名前...]\n"
           "                           書庫 (.lzh) かコピー先のフォルダから、復元先のフォルダへ\n"
           "                           復元して終了します。名前を指定するとそのファイルや\n"
           "                           フォルダだけを復元します。復元先のほうが新しい\n"
           "                           ファイルは、--overwrite がなければそのままにします\n"
           "  --help                   この説明を表示します\n"
           "  --version                バージョンを表示します\n"
           "\n"
           "実行するのはジョブファイルのフォルダにあるジョブファイルだけです。ログはウインドウ\n"
           "での実行と同じ行を同じログファイル (Trevane.log) に書きます。画面は要りません。\n"
           "\n"
           "--restore の終了コード: 0 すべて復元した、1 復元しなかったファイルや失敗がある、\n"
           "2 コマンドラインの誤りか、復元元が見つからない。\n"
           "\n"
           "終了コード:\n"
           "  0    すべての手順が成功\n"
           "  1    失敗した手順がある、またはログファイルを書けなかった\n"
           "  2    ジョブファイルがないか実行できなかった、またはコマンドラインの誤り\n"
           "  3    Trevane が既に起動している (何もしていません)\n"
           "  4    内部の検査に失敗して途中で終わった\n"
           "  128+シグナル番号\n"
           "       SIGINT・SIGTERM・SIGHUP で中止した (実行中の手順を止め、ログを書いてから\n"
           "       終わります。130 は Ctrl+C、143 は SIGTERM)\n";
}

} // namespace trevane
