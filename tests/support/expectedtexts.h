#pragma once

#include <QString>

// The messages the user reads, written out as the tests expect them: one
// list for every test and the soak, independent of the code that words them.
namespace expected {

inline const QString WriteDone = QStringLiteral("警報ユニットへ設定が完了しました。");
inline const QString ReadDone = QStringLiteral("警報ユニット設定の読込みを完了しました。");
inline const QString NotConnected = QStringLiteral("警報ユニットが接続されていません。");
inline const QString Match = QStringLiteral("警報ユニットの設定内容と一致しています。");
inline const QString Differ = QStringLiteral("警報ユニットの設定内容と相違しています。");
inline const QString PortMessage
    = QStringLiteral("通信ポート番号が正しくありません。設定を行ってください。");
inline const QString PartlyWritten
    = QStringLiteral("警報ユニットの設定は一部だけ書き換わっている可能性があります。");
inline const QString HoldTimeOutOfRange = QStringLiteral("警報時間設定が範囲外です。");
inline const QString AllowanceOutOfRange = QStringLiteral("重機オペ許可人数が範囲外です。");
inline const QString WriteStopped
    = QStringLiteral("範囲外の設定値があるため、警報ユニットへの書き込みを中止しました。");
inline const QString SaveFailed = QStringLiteral("設定の保存に失敗しました。");
inline const QString LoadFailed = QStringLiteral("設定の読込みに失敗しました。");
inline const QString SaveQuestion = QStringLiteral("設定内容を保存しますか");

} // namespace expected
