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
    // What backups to removable and network disks meet: a mount point (which can be emptied
    // but not removed), the 4 GB file limit and the names some file systems refuse, a disk or
    // share that went away.
    case EBUSY:
        return "使用中のため処理できません。";
    case EFBIG:
        return "ファイルが大きすぎます。";
    case EINVAL:
        return "この名前または操作は使えません。";
    case EMFILE:
    case ENFILE:
        return "開いているファイルが多すぎます。";
    case ENOTEMPTY:
        return "フォルダーが空ではありません。";
    case ETXTBSY:
        return "実行中のファイルです。";
    case ESTALE:
    case ENOTCONN:
    case ENODEV:
    case ENXIO:
        return "ディスクまたはネットワーク上のフォルダーに接続できません。";
    default:
        return std::strerror(errorNumber);
    }
}

} // namespace trevane
