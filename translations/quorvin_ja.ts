<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>quorvin</name>
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
    <message>
        <source>show this help and exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>show the version and the versions of the libraries in use, and exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>use FILE as the settings file; a second recorder on the same FILE is refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>list the video devices (as DevIndex counts) and the scanner sources (as DevIndexTwain
counts) with their formats, and exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>start, capture once (live, and history when its outputs are on), save no settings and
exit: 0 when every output was written, 2 when any failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>use the settings file quorvin18SUFFIX.ini instead of quorvin18.ini and run beside
other recorders (no single-instance check); no &quot;/&quot;, blank or leading &quot;-&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Here the settings file is %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>settings file %1</source>
        <translation>INIファイル %1</translation>
    </message>
    <message>
        <source>%1 beside the program is not read: the settings are in %2</source>
        <translation>プログラムと同じフォルダの %1 は読み込みません。設定は %2 にあります。</translation>
    </message>
    <message>
        <source>settings file %1 does not exist: the recorder starts from the defaults</source>
        <translation>INIファイル %1 がありません。既定値で起動します。</translation>
    </message>
    <message>
        <source>settings file %1, made from %2 beside the program (left as it was and not read again)</source>
        <translation>INIファイル %1 をプログラムと同じフォルダの %2 から作成しました（元のファイルはそのまま残し、今後は読み込みません）。</translation>
    </message>
    <message>
        <source>settings file %1, made from the example %2; live images go to %3, history images under %4</source>
        <translation>INIファイル %1 を例 %2 から作成しました。ライブ画像は %3 に、履歴画像は %4 の下に保存します。</translation>
    </message>
    <message>
        <source>the example %1 cannot be read</source>
        <translation>例 %1 を読み込めません</translation>
    </message>
    <message>
        <source>settings file %1 cannot be made (%2): the recorder starts from the defaults</source>
        <translation>INIファイル %1 を作成できません（%2）。既定値で起動します。</translation>
    </message>
    <message>
        <source>serve the read-only web view on PORT of ADDRESS (127.0.0.1 when none is given;
port 0 takes a free one); any other address than a loopback one needs
--http-passwords</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the web view asks for a user and password, from FILE: one USER:PASSWORD a line,
readable by its owner only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>after midnight make the previous day&apos;s time-lapse film in the background, as
HISTORY_FOLDER/timelapse/YYYYMMDD.webm (quorvin18-timelapse beside the program)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot serve the web view on %1 (%2)</source>
        <translation>ウェブビューを %1 で開けません（%2）</translation>
    </message>
    <message>
        <source>the web view is at http://%1/</source>
        <translation>ウェブビュー: http://%1/</translation>
    </message>
    <message>
        <source>the film of %1 is made: %2</source>
        <translation>%1 のタイムラプス動画を作成しました: %2</translation>
    </message>
    <message>
        <source>no film of %1: %2</source>
        <translation>%1 のタイムラプス動画はありません: %2</translation>
    </message>
    <message>
        <source>the film of %1 failed: %2</source>
        <translation>%1 のタイムラプス動画を作成できませんでした: %2</translation>
    </message>
    <message>
        <source>The settings file is the first of:
  1. FILE of --config;
  2. run from its build tree (the program&apos;s folder holds &quot;quorvin-build-tree&quot;):
     quorvin18SUFFIX.ini in the program&apos;s folder;
  3. installed: $XDG_CONFIG_HOME/quorvin/quorvin18SUFFIX.ini (default ~/.config/quorvin/), for root too.
     A missing one is made from quorvin18SUFFIX.ini beside the program when there is one (that file is
     left as it was and never read again), else from the installed example, with the images under the
     pictures folder (~/Pictures/Quorvin).
The recorder names the settings file it uses on standard error when it starts.

Exit status: 0 ended normally; 1 a malformed settings file, or another recorder runs on it;
2 a bad command line, --once with an output that was not written, or a web view that cannot
start (its port in use, its password file unreadable or readable by others).
</source>
        <translation type="unfinished"></translation>
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
