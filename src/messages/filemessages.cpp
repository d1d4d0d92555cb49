#include "filemessages.h"

using namespace Qt::StringLiterals;

namespace kalvidor {

QString tableFileFaultText(const TableFileCheck &check)
{
    switch (check.fault) {
    case TableFileFault::None:
        return {};
    case TableFileFault::LineCount:
        return u"行数が %1 行です（IDコード表は %2 行）"_s.arg(check.lineCount)
            .arg(TableFileLineCount);
    case TableFileFault::LineNumber:
        return u"%1 行目が行番号 %1 で始まっていません"_s.arg(check.line);
    case TableFileFault::Value:
        break;
    }
    // Lines 1..213 hold IDs, then the hold time and the allowance.
    if (check.line == SlotCount + 1)
        return u"%1 行目の値が %2～%3 の警報時間設定ではありません"_s.arg(check.line)
            .arg(MinHoldTime)
            .arg(MaxHoldTime);
    if (check.line == SlotCount + 2)
        return u"%1 行目の値が %2～%3 の重機オペ許可人数ではありません"_s.arg(check.line)
            .arg(MinOperatorAllowance)
            .arg(MaxOperatorAllowance);
    return u"%1 行目の値が 16進数 7 桁までの ID ではありません"_s.arg(check.line);
}

Message loadedFileFaultMessage(const TableFileCheck &check)
{
    return { u"IDコード表の形式と違うため、読める値だけを読み込みました。\n%1。"_s.arg(
                 tableFileFaultText(check)),
        MessageIcon::Exclamation, MessageButtons::Ok, applicationTitle(), {} };
}

} // namespace kalvidor
