#include "SettingsKeys.h"

#include <QHash>

namespace quorvin {

#define Q_FIELD(expr) [](Settings& s) -> FieldRef { return &s.expr; }

namespace {

// clang-format off
const KeyEntry kWrittenKeys[] = {
    {"DevIndexTwain = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "TWAINデバイス番号", false, Q_FIELD(DevIndexTwain)},
    {"DevIndex = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "デバイス番号", false, Q_FIELD(DevIndex)},
    {"ch1(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ライブハーフ画像タイムスタンプイネーブル 有り=1 無し=0", true, Q_FIELD(ch1[1])},
    {"ch1(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "履歴画像タイムスタンプイネーブル 有り=1 無し=0", true, Q_FIELD(ch1[2])},
    {"ch1(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ライブ画像タイムスタンプイネーブル 有り=1 無し=0", true, Q_FIELD(ch1[3])},
    {"ch1(6) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ライブ画像サムネイル保存 1：ON   0：OFF", true, Q_FIELD(ch1[6])},
    {"ch1(7) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ハーフ画像保存         1：ON   0：OFF", true, Q_FIELD(ch1[7])},
    {"ch1(8) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ライブ画像保存           1：ON  0：OFF", true, Q_FIELD(ch1[8])},
    {"ch1(9) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "履歴保存                 1：ON   0：OFF", false, Q_FIELD(ch1[9])},
    {"ch1(10) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "履歴サムネイル保存", false, Q_FIELD(ch1[10])},
    {"ch1(11) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "ライブ画像ロゴマーク    1：ON   0：OFF", false, Q_FIELD(ch1[11])},
    {"ch1(12) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "ハーフPictureロゴマーク    1：ON  0：OFF", false, Q_FIELD(ch1[12])},
    {"ch1(13) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "履歴ロゴマーク          1：ON   0：OFF", false, Q_FIELD(ch1[13])},
    {"ch1(14) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "use image mask          1：ON   0：OFF", false, Q_FIELD(ch1[14])},
    {"ch1(17) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "シャープネス", true, Q_FIELD(ch1[17])},
    {"ch1(18) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "Intensity", false, Q_FIELD(ch1[18])},
    {"ch1(19) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "invert ネガ処理", false, Q_FIELD(ch1[19])},
    {"ch1(20) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "flap 天地逆転", false, Q_FIELD(ch1[20])},
    {"ch1(21) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "ミラー画像 有り=1 無し=0", false, Q_FIELD(ch1[21])},
    {"ch1(22) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "メディアン", false, Q_FIELD(ch1[22])},
    {"ch1(23) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "オイル", false, Q_FIELD(ch1[23])},
    {"ch1(24) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "モザイク", false, Q_FIELD(ch1[24])},
    {"ch1(25) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, nullptr, false, Q_FIELD(ch1[25])},
    {"ch1(26) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, nullptr, false, Q_FIELD(ch1[26])},
    {"ch1(27) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, nullptr, false, Q_FIELD(ch1[27])},
    {"ch1(28) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "キャプチャ動作　　　　　 1：ON   0：OFF", true, Q_FIELD(ch1[28])},
    {"ch1(29) = ", ValueForm::Integer, ReadAs::StrictInteger, 21, "起動時タスクトレイ常駐スイッチ  1:TaskTry   0:DeskTop(初期値)", false, Q_FIELD(ch1[29])},
    {"Zoom(0) = ", ValueForm::Decimal, ReadAs::Float, 19, "ライブ画像縮小率  原寸：1（初期値：1）画面は％表示ですがここでは倍率", false, Q_FIELD(zoom[0])},
    {"Zoom(1) = ", ValueForm::Decimal, ReadAs::Float, 19, "サムネイル画像縮小率  原寸：1（初期値：0.2）", false, Q_FIELD(zoom[1])},
    {"Zoom(2) = ", ValueForm::Decimal, ReadAs::Float, 19, "ハーフサムネイル画像縮小率  原寸：1（初期値：0.5）", false, Q_FIELD(zoom[2])},
    {"Zoom(3) = ", ValueForm::Decimal, ReadAs::Float, 19, "履歴画像縮小率  原寸：1（初期値：1）", false, Q_FIELD(zoom[3])},
    {"Zoom(4) = ", ValueForm::Decimal, ReadAs::Float, 19, "履歴サムネイル画像縮小率  原寸：1（初期値：0.2）", false, Q_FIELD(zoom[4])},
    {"Efct(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "画像処理値シャープネス", true, Q_FIELD(efct[0])},
    {"Efct(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "画像処理値メディアン", true, Q_FIELD(efct[1])},
    {"Efct(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "画像処理値オイル", true, Q_FIELD(efct[2])},
    {"Efct(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "画像処理値モザイク", true, Q_FIELD(efct[3])},
    {"Efct(4) = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "画像処理値", true, Q_FIELD(efct[4])},
    {"Efct(5) = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "画像処理値", true, Q_FIELD(efct[5])},
    {"stampHead = ", ValueForm::QuotedText, ReadAs::Text, 20, "タイムスタンプテロップヘッダ", false, Q_FIELD(stampHead)},
    {"stampFoot = ", ValueForm::QuotedText, ReadAs::Text, 16, "タイムスタンプテロップフッタ", true, Q_FIELD(stampFoot)},
    {"stampDateSep = ", ValueForm::QuotedText, ReadAs::Text, 16, "タイムスタンプ日付セパレータ", true, Q_FIELD(stampDateSep)},
    {"stampTimeSep = ", ValueForm::QuotedText, ReadAs::Text, 16, "タイムスタンプ時刻セパレータ", true, Q_FIELD(stampTimeSep)},
    {"stampTextColor = ", ValueForm::Hex, ReadAs::GeneralInteger, 9, "テロップ文字 白：&HFFFFFF   黒：&H0", true, Q_FIELD(stampTextColor)},
    {"SFontName = ", ValueForm::Text, ReadAs::Text, 21, "テロップフォント名", true, Q_FIELD(SFontName)},
    {"SFontSize = ", ValueForm::Text, ReadAs::Text, 21, "テロップフォントサイズ", true, Q_FIELD(SFontSize)},
    {"StampAreaTop = ", ValueForm::Integer, ReadAs::GeneralInteger, 15, "タイムスタンプ描画領域", false, Q_FIELD(StampAreaTop)},
    {"StampAreaLeft = ", ValueForm::Integer, ReadAs::GeneralInteger, 13, "タイムスタンプ描画領域", false, Q_FIELD(StampAreaLeft)},
    {"StampAreaWidth = ", ValueForm::Integer, ReadAs::GeneralInteger, 11, "タイムスタンプ描画領域", false, Q_FIELD(StampAreaWidth)},
    {"StampAreaHeight = ", ValueForm::Integer, ReadAs::GeneralInteger, 9, "タイムスタンプ描画領域", false, Q_FIELD(StampAreaHeight)},
    {"EfctATop = ", ValueForm::Integer, ReadAs::GeneralInteger, 17, "画像処理領域", false, Q_FIELD(EfctATop)},
    {"EfctALeft = ", ValueForm::Integer, ReadAs::GeneralInteger, 15, "画像処理領域", false, Q_FIELD(EfctALeft)},
    {"EfctAWidth = ", ValueForm::Integer, ReadAs::GeneralInteger, 13, "画像処理領域", false, Q_FIELD(EfctAWidth)},
    {"EfctAHeight = ", ValueForm::Integer, ReadAs::GeneralInteger, 11, "画像処理領域", false, Q_FIELD(EfctAHeight)},
    {"LogomarkFilename = ", ValueForm::Text, ReadAs::Text, 12, "ロゴマークファイル名（フルパス）", false, Q_FIELD(LogomarkFilename)},
    {"LogomarkMaskFilename = ", ValueForm::Text, ReadAs::Text, 12, "ロゴマークマスクファイル名（フルパス）", false, Q_FIELD(LogomarkMaskFilename)},
    {"MarkPosTop = ", ValueForm::Integer, ReadAs::StrictInteger, 20, "ロゴマーク TOP 位置 (dot)", true, Q_FIELD(MarkPosTop)},
    {"MarkPosLeft = ", ValueForm::Integer, ReadAs::StrictInteger, 19, "ロゴマーク LEFT 位置 (dot)", true, Q_FIELD(MarkPosLeft)},
    {"StartTime = ", ValueForm::Text, ReadAs::Text, 12, "キャプチャ開始時刻", false, Q_FIELD(StartTime)},
    {"EndTime = ", ValueForm::Text, ReadAs::Text, 16, "キャプチャ終了時刻", false, Q_FIELD(EndTime)},
    {"NetworkPath = ", ValueForm::Text, ReadAs::Text, 16, "ライブ画像保存ディレクトリ", false, Q_FIELD(NetworkPath)},
    {"LiFiName(0) = ", ValueForm::Text, ReadAs::Text, 10, "ライブ画像ファイル名（初期値：tovra.jpg）", false, Q_FIELD(LiFiName[0])},
    {"LiFiName(1) = ", ValueForm::Text, ReadAs::Text, 9, "ライブサムネイル画像ファイル名（指定無し：tovra_.jpg）", false, Q_FIELD(LiFiName[1])},
    {"LiFiName(2) = ", ValueForm::Text, ReadAs::Text, 7, "ハーフ画像ファイル名（指定無し：tovra_50.jpg）", false, Q_FIELD(LiFiName[2])},
    {"IntervalHistBuf = ", ValueForm::Text, ReadAs::Text, 14, "可変履歴保存間隔退避値", true, Q_FIELD(IntervalHistBuf)},
    {"inter(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 12, "ライブ画像保存間隔（単位「秒」初期値：300秒）", true, Q_FIELD(inter[0])},
    {"inter(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 12, "履歴画像保存間隔（単位「秒」初期値：600秒）", true, Q_FIELD(inter[1])},
    {"histPath = ", ValueForm::Text, ReadAs::Text, 12, "履歴ファイルフォルダ群を置くディレクトリ名（指定無しはライブ画像保存ディレクトリ）", false, Q_FIELD(histPath)},
    {"histDirHead1(0) = ", ValueForm::Text, ReadAs::Text, 12, "履歴ファイルフォルダヘッダ１", false, Q_FIELD(histDirHead1[0])},
    {"histDirFoot1(0) = ", ValueForm::Text, ReadAs::Text, 12, "履歴ファイルフォルダフッタ１", false, Q_FIELD(histDirFoot1[0])},
    {"histDirFoot1(1) = ", ValueForm::Text, ReadAs::Text, 12, "履歴サムネイルファイルのフォルダフッタ（指定無しなら履歴ファイルフォルダ）１", false, Q_FIELD(histDirFoot1[1])},
    {"histDirHead2(0) = ", ValueForm::Text, ReadAs::Text, 12, "履歴ファイルフォルダヘッダ２", false, Q_FIELD(histDirHead2[0])},
    {"histDirFoot2(0) = ", ValueForm::Text, ReadAs::Text, 12, "履歴ファイルフォルダフッタ２", false, Q_FIELD(histDirFoot2[0])},
    {"histDirFoot2(1) = ", ValueForm::Text, ReadAs::Text, 12, "履歴サムネイルファイルのフォルダフッタ（指定無しなら履歴ファイルフォルダ）２", false, Q_FIELD(histDirFoot2[1])},
    {"HiFileHead(0) = ", ValueForm::Text, ReadAs::Text, 16, "履歴画像ファイルの共通ヘッダ", false, Q_FIELD(HiFileHead[0])},
    {"HiFileFoot(0) = ", ValueForm::Text, ReadAs::Text, 16, "履歴画像ファイルの共通フッタ", true, Q_FIELD(HiFileFoot[0])},
    {"HiFileFoot(1) = ", ValueForm::Text, ReadAs::Text, 16, "履歴サムネイル画像ファイルの追加フッタ（指定無し：_）", true, Q_FIELD(HiFileFoot[1])},
    {"Rezo(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ライブ画像保存画質  最高：2  最低：255  標準推奨値：25", false, Q_FIELD(rezo[0])},
    {"Rezo(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "サムネイル画像保存画質  最高：2  最低：255  標準推奨値：50", false, Q_FIELD(rezo[1])},
    {"Rezo(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "ハーフ画像保存画質  最高：2  最低：255  標準推奨値：5", false, Q_FIELD(rezo[2])},
    {"Rezo(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "履歴画像保存画質  最高：2  最低：255  標準推奨値：25", false, Q_FIELD(rezo[3])},
    {"Rezo(4) = ", ValueForm::Integer, ReadAs::StrictInteger, 22, "履歴サムネイル画像保存画質  最高：2  最低：255  標準推奨値：50", false, Q_FIELD(rezo[4])},
    {"ColorGanma(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　Blue   最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma[0])},
    {"ColorGanma(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　Green  最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma[1])},
    {"ColorGanma(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　Red    最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma[2])},
    {"ColorGanma(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　BK     最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma[3])},
    {"ColorGanma2(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　Cyan    最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma2[0])},
    {"ColorGanma2(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　Magenta 最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma2[1])},
    {"ColorGanma2(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　Yellow  最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma2[2])},
    {"ColorGanma2(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "画像分解色ガンマ補正　BK      最少：0 最大：200　標準値：100", true, Q_FIELD(colorganma2[3])},
    {"op2(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像1履歴フォルダ日付１ 0=yymmdd 1=yymm 2=yy 3=mmdd 4=mm 5=dd 6=''", false, Q_FIELD(op2[0])},
    {"op2(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像1履歴フォルダ日付２ 0=yymmdd 1=yymm 2=yy 3=mmdd 4=mm 5=dd 7=hh 6=''", false, Q_FIELD(op2[1])},
    {"op2(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像1履歴ファイル日付 0=yymmdd 1=yymm 2=yy 3=mmdd 4=mm 5=dd 6=''", false, Q_FIELD(op2[2])},
    {"op2(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像1履歴ファイル時刻 0=hhnnss 1=hhnns 2=hhnn 3=hhn 4=hh 5=h 6=''", true, Q_FIELD(op2[3])},
    {"op2(4) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "タイムスタンプ日付 0=yyyymmdd 1=yyyymm 2=yyyy 3=yymmdd 4=yymm 5=yy 6=mmdd 7=mm 8=dd 9=' '", true, Q_FIELD(op2[4])},
    {"op2(5) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "タイムスタンプ時刻 0=hhnnss 1=hhnn 2=hh 3=' '", true, Q_FIELD(op2[5])},
    {"op2(6) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像2履歴フォルダ日付１ 0=yymmdd 1=yymm 2=yy 3=mmdd 4=mm 5=dd 6=''", false, Q_FIELD(op2[6])},
    {"op2(7) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像2履歴フォルダ日付２ 0=yymmdd 1=yymm 2=yy 3=mmdd 4=mm 5=dd 7=hh 6=''", false, Q_FIELD(op2[7])},
    {"op2(8) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像2履歴ファイル日付 0=yymmdd 1=yymm 2=yy 3=mmdd 4=mm 5=dd 6=''", false, Q_FIELD(op2[8])},
    {"op2(9) = ", ValueForm::Integer, ReadAs::StrictInteger, 4, "画像2履歴ファイル時刻 0=hhnnss 1=hhnns 2=hhnn 3=hhn 4=hh 5=h 6=''", false, Q_FIELD(op2[9])},
    {"op3(0) = ", ValueForm::Integer, ReadAs::StrictInteger, 10, "間隔指定オプションボタンインデックス位置", true, Q_FIELD(op3[0])},
    {"op3(1) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "0=TWAIN 1=VFW", true, Q_FIELD(op3[1])},
    {"op3(2) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "タイムスタンプテロップ位置", true, Q_FIELD(op3[2])},
    {"op3(3) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "タイムスタンプイメージ位置", true, Q_FIELD(op3[3])},
    {"op3(5) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "タイムスタンプテキストスタイル", true, Q_FIELD(op3[5])},
    {"op3(8) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "ライブ画像色数 0=24bit 1=8bit", false, Q_FIELD(op3[8])},
    {"op3(9) = ", ValueForm::Integer, ReadAs::StrictInteger, 16, "ライブサムネイル画像色数 0=24bit 1=8bit", false, Q_FIELD(op3[9])},
    {"op3(10) = ", ValueForm::Integer, ReadAs::StrictInteger, 15, "ライブハーフ画像色数 0=24bit 1=8bit", false, Q_FIELD(op3[10])},
    {"op3(11) = ", ValueForm::Integer, ReadAs::StrictInteger, 15, "履歴画像色数 0=24bit 1=8bit", false, Q_FIELD(op3[11])},
    {"op3(12) = ", ValueForm::Integer, ReadAs::StrictInteger, 15, "履歴サムネイル画像色数 0=24bit 1=8bit", false, Q_FIELD(op3[12])},
    {"op3(16) = ", ValueForm::Integer, ReadAs::StrictInteger, 15, "FullTime or PartTime", false, Q_FIELD(op3[16])},
    {"op3(17) = ", ValueForm::Integer, ReadAs::StrictInteger, 15, "RGB or CMYK", false, Q_FIELD(op3[17])},
    {"op3(18) = ", ValueForm::Integer, ReadAs::StrictInteger, 15, "angle 0=0度  1=90度  2=180度  3=270度", false, Q_FIELD(op3[18])},
};

const ExtraKey kExtraKeys[] = {
    {"interval(0).Text", ReadAs::StrictInteger, Q_FIELD(inter[0]), "inter(0)"},
    {"interval(1).Text", ReadAs::StrictInteger, Q_FIELD(inter[1]), "inter(1)"},
    {"histDirHead1", ReadAs::Text, Q_FIELD(histDirHead1[0]), "histDirHead1(0)"},
    {"histDirFoot1", ReadAs::Text, Q_FIELD(histDirFoot1[0]), "histDirFoot1(0)"},
    {"histThumbDirFoot1", ReadAs::Text, Q_FIELD(histDirFoot1[1]), "histDirFoot1(1)"},
    {"histDirHead2", ReadAs::Text, Q_FIELD(histDirHead2[0]), "histDirHead2(0)"},
    {"histDirFoot2", ReadAs::Text, Q_FIELD(histDirFoot2[0]), "histDirFoot2(0)"},
    {"histThumbDirFoot2", ReadAs::Text, Q_FIELD(histDirFoot2[1]), "histDirFoot2(1)"},
    {"histFileHead", ReadAs::Text, Q_FIELD(HiFileHead[0]), "HiFileHead(0)"},
    {"histFileFoot", ReadAs::Text, Q_FIELD(HiFileFoot[0]), "HiFileFoot(0)"},
    {"histThumbFileFoot", ReadAs::Text, Q_FIELD(HiFileFoot[1]), "HiFileFoot(1)"},
    {"ch1(0)", ReadAs::StrictInteger, Q_FIELD(ch1[0]), nullptr},
    {"efct(6)", ReadAs::StrictInteger, Q_FIELD(efct[6]), nullptr},
    {"op3(14)", ReadAs::StrictInteger, Q_FIELD(op3[14]), nullptr},
    {"op3(15)", ReadAs::StrictInteger, Q_FIELD(op3[15]), nullptr},
    {"PictureAngle", ReadAs::Angle, Q_FIELD(PictureAngle), nullptr},
};
// clang-format on

#undef Q_FIELD

QHash<QString, KeyMatch> BuildIndex() {
  QHash<QString, KeyMatch> index;
  for (const KeyEntry& e : kWrittenKeys) index.insert(e.Name().toLower(), {e.read, e.field, e.Name()});
  for (const ExtraKey& e : kExtraKeys) {
    const QString name = QString::fromUtf8(e.name);
    index.insert(name.toLower(), {e.read, e.field, e.writtenName ? QString::fromUtf8(e.writtenName) : name});
  }
  return index;
}

}  // namespace

QString KeyEntry::Name() const {
  QString text = QString::fromUtf8(keyText);
  text.chop(3);  // " = "
  return text;
}

std::span<const KeyEntry> WrittenKeys() {
  return kWrittenKeys;
}
std::span<const ExtraKey> ExtraReadKeys() {
  return kExtraKeys;
}

const KeyMatch* FindKey(const QString& lowerName) {
  static const QHash<QString, KeyMatch> index = BuildIndex();
  auto it = index.constFind(lowerName);
  return it == index.constEnd() ? nullptr : &it.value();
}

void ResetLoadDefaults(Settings& settings) {
  static Settings source;  // read only; the accessors take a mutable record
  for (const KeyEntry& e : kWrittenKeys) {
    if (!e.resetOnLoad) continue;
    std::visit([&](auto* dst) { *dst = *std::get<std::remove_reference_t<decltype(dst)>>(e.field(source)); },
               e.field(settings));
  }
}

}  // namespace quorvin
