#include "ErrorText.h"

#include <cerrno>
#include <cstring>

namespace trevane {

std::string ErrorText::of(int errorNumber) {
    switch (errorNumber) {
    case EACCES:
    case EPERM:
        return "アクセスが拒否されました。";
    case ENOENT:
        return "ファイルが見つかりません。";
    case ENOSPC:
        return "ディスクに十分な空き領域がありません。";
    case EDQUOT:
        return "ディスク使用量の制限を超えました。";
    case EROFS:
        return "書き込み禁止のファイルシステムです。";
    case EIO:
        return "入出力エラーが発生しました。";
    case ENAMETOOLONG:
        return "ファイル名が長すぎます。";
    case ENOTDIR:
        return "フォルダーではありません。";
    case EISDIR:
        return "フォルダーです。";
    case ELOOP:
        return "シンボリックリンクです。";
    default:
        return std::strerror(errorNumber);
    }
}

} // namespace trevane
