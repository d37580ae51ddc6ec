<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Quorvin</name>
    <message>
        <source>Settings file load error</source>
        <translation>INIファイルロードエラー</translation>
    </message>
    <message>
        <source>A number in the settings file holds invalid characters: &quot;%1&quot;.</source>
        <translation>INIファイルの数値データに不正な文字 「%1」 が混入しています。</translation>
    </message>
    <message>
        <source>Cannot read the settings file %1 (%2).</source>
        <translation>INIファイル %1 を読み込めません（%2）。</translation>
    </message>
    <message>
        <source>Settings file save error</source>
        <translation>INIファイルセーブエラー</translation>
    </message>
    <message>
        <source>Cannot write the settings file %1 (%2). The previous file is left as it was.</source>
        <translation>INIファイル %1 を書き込めません（%2）。前のファイルはそのまま残っています。</translation>
    </message>
    <message>
        <source>Load error</source>
        <translation>ロードエラー</translation>
    </message>
    <message>
        <source>This application is already running.</source>
        <translation>このアプリケーションはすでに開かれています。</translation>
    </message>
    <message>
        <source>Cannot get a frame (%1).</source>
        <translation>フレームを取り込めません（%1）。</translation>
    </message>
    <message>
        <source>Cannot save %1 (%2).</source>
        <translation>%1 に保存できません（%2）。</translation>
    </message>
    <message>
        <source>This desktop has no system tray; the main window stays minimised.</source>
        <translation>このデスクトップにはシステムトレイがありません。メインウィンドウは最小化したままにします。</translation>
    </message>
    <message>
        <source>No live capture has succeeded for %1 s (%2 live intervals).</source>
        <translation>ライブ画像の取り込みが %1 秒間（ライブ間隔 %2 回分）成功していません。</translation>
    </message>
    <message>
        <source>Live captures succeed again.</source>
        <translation>ライブ画像の取り込みが再び成功しました。</translation>
    </message>
    <message>
        <source>LIVE CAPTURE FAILING</source>
        <translation>ライブ取り込み失敗中</translation>
    </message>
    <message>
        <source>Cannot write the health file %1 (%2).</source>
        <translation>状態ファイル %1 を書き込めません（%2）。</translation>
    </message>
    <message>
        <source>The health file %1 is written again.</source>
        <translation>状態ファイル %1 を再び書き込めました。</translation>
    </message>
</context>
<context>
    <name>quorvin::CapturePanel</name>
    <message>
        <source>Capture interval</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>sec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History preset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JPEG output</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quality (2 best - 255)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scale %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quorvin::EffectPanel</name>
    <message>
        <source>Turn</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quorvin::Form1</name>
    <message>
        <source>The frame being processed while a capture runs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frame</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule &amp;&amp; quality</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Effect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time stamp &amp;&amp; logo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capture device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source in use</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quorvin::OutputPanel</name>
    <message>
        <source>Live images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Live folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>folder of the live images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History images</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the live folder when empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Head</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date / time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Foot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thumbnail foot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image example</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thumbnail example</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>quorvin::StampPanel</name>
    <message>
        <source>Time stamp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Place</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Style</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text colour: click to choose</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Colour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Font</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logo mark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logo file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mask file</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
