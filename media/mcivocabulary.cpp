#include "media/mcivocabulary.h"

namespace mci {

QString errorText(quint32 error)
{
    switch (error) {
    case MCIERR_INVALID_DEVICE_ID:
        return QStringLiteral("無効なデバイス ID が使われました。");
    case MCIERR_UNRECOGNIZED_COMMAND:
        return QStringLiteral("コマンドが認識できません。");
    case MCIERR_HARDWARE:
        return QStringLiteral("メディア デバイスにハードウェアのエラーがあります。");
    case MCIERR_CANNOT_LOAD_DRIVER:
        return QStringLiteral("デバイス ドライバを読み込めません。");
    case MCIERR_UNSUPPORTED_FUNCTION:
        return QStringLiteral("この MCI デバイスはこのコマンドをサポートしていません。");
    case MCIERR_FILE_NOT_FOUND:
        return QStringLiteral("指定されたファイルが見つかりません。");
    case MCIERR_DEVICE_NOT_READY:
        return QStringLiteral("デバイスの準備ができていません。");
    case MCIERR_INTERNAL:
        return QStringLiteral("デバイスの初期化中に問題が発生しました。");
    case MCIERR_OUTOFRANGE:
        return QStringLiteral("指定されたパラメータ値が範囲外です。");
    case MCIERR_FLAGS_NOT_COMPATIBLE:
        return QStringLiteral("指定されたパラメータは同時に使えません。");
    case MCIERR_INVALID_FILE:
        return QStringLiteral(
                "指定されたファイルは再生できません。ファイルの形式を確認してください。");
    default:
        return {};
    }
}

} // namespace mci
