<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>DataFolder</name>
    <message>
        <source>サンプル %1 を %2 にコピーできません：%3</source>
        <translation>The sample %1 cannot be copied into %2: %3</translation>
    </message>
    <message>
        <source>フォルダ %1 を作成できません。</source>
        <translation>The folder %1 cannot be created.</translation>
    </message>
    <message>
        <source>フォルダ %1 に書き込めません。</source>
        <translation>The folder %1 cannot be written to.</translation>
    </message>
    <message>
        <source>他のフォルダの画像は開けますが、スナップショットは保存できないことがあります。</source>
        <translation>Pictures in other folders can still be opened, but snapshots may not be saved.</translation>
    </message>
    <message>
        <source>ユーザーのデータフォルダがありません（HOME が設定されていません）。</source>
        <translation>There is no per-user data folder (HOME is not set).</translation>
    </message>
</context>
<context>
    <name>MeshExportDialog</name>
    <message>
        <source>立体を書き出す</source>
        <translation>Export the solid</translation>
    </message>
    <message>
        <source>立体全体、表を上に</source>
        <translation>The whole solid, front up</translation>
    </message>
    <message>
        <source>裏を平らに：サポートのいらないレリーフ</source>
        <translation>Flat back: a relief that needs no supports</translation>
    </message>
    <message>
        <source>半分ずつ：表と裏を並べて、貼り合わせる</source>
        <translation>Halves: front and back side by side, to glue</translation>
    </message>
    <message>
        <source>いちばん長い辺 (mm)：</source>
        <translation>Longest side in millimetres:</translation>
    </message>
    <message>
        <source>大きさを決めないときは、画像の 1 画素が 0.1 mm です。</source>
        <translation>Without a size, a picture pixel is 0.1 mm.</translation>
    </message>
    <message>
        <source>プリンターのベッドの上 (%1)</source>
        <translation>On the printer's bed (%1)</translation>
    </message>
    <message>
        <source>厚さ (mm)：</source>
        <translation>Thickness in millimetres:</translation>
    </message>
    <message>
        <source>多色プリンター用の色 (%1)</source>
        <translation>Colours for a multi-filament printer (%1)</translation>
    </message>
    <message>
        <source>三角形をこの数のフィラメントで塗り分ける：</source>
        <translation>Paint the triangles for this many filaments:</translation>
    </message>
    <message>
        <source>裏を平らにと半分ずつは %1 だけの形です。大きさを決めないときは、画像の 1 画素が 0.1 mm です。</source>
        <translation>Flat back and halves shape %1 files only. Without a size, a picture pixel is 0.1 mm.</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>ﾋﾞｯﾄﾏｯﾌﾟﾌｧｲﾙ (*.bmp)</source>
        <translation>Bitmap files (*.bmp)</translation>
    </message>
    <message>
        <source>入力値が不正です</source>
        <translation>Invalid input</translation>
    </message>
    <message>
        <source>立体化処理中...</source>
        <translation>Making solid...</translation>
    </message>
    <message>
        <source>背景：なし</source>
        <translation>Background: none</translation>
    </message>
    <message>
        <source>背景：</source>
        <translation>Background: </translation>
    </message>
    <message>
        <source>光源</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>光量</source>
        <translation>Light amount</translation>
    </message>
    <message>
        <source>逆光</source>
        <translation>Back light</translation>
    </message>
    <message>
        <source>背景画像設定</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>背景ｸﾘｱ</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>ポリゴンの大きさ</source>
        <translation>Polygon size</translation>
    </message>
    <message>
        <source>曲率係数</source>
        <translation>Curvature</translation>
    </message>
    <message>
        <source>円許容係数</source>
        <translation>Circle tolerance</translation>
    </message>
    <message>
        <source>カラー鉛直射影</source>
        <translation>Colour vertical projection</translation>
    </message>
    <message>
        <source>特殊ポリゴン</source>
        <translation>Square lattice</translation>
    </message>
    <message>
        <source>両面読込</source>
        <translation>Double-sided</translation>
    </message>
    <message>
        <source>立体化画像読込</source>
        <translation>Make solid...</translation>
    </message>
    <message>
        <source>円の上を左ボタンでクリックまたはドラッグして、光の来る方向を選びます</source>
        <translation>Click or drag on the disc with the left button to choose where the light comes from</translation>
    </message>
    <message>
        <source>陰影の強さ（1.00～5.00）</source>
        <translation>How strongly the light shapes the shading (1.00 to 5.00)</translation>
    </message>
    <message>
        <source>光源をモデルの後ろに置きます</source>
        <translation>Puts the light behind the model</translation>
    </message>
    <message>
        <source>haikei フォルダから背景画像を選びます</source>
        <translation>Choose a background picture in the haikei folder</translation>
    </message>
    <message>
        <source>背景画像を外し、画像の背景色に戻します</source>
        <translation>Remove the background picture and go back to the picture&apos;s own background colour</translation>
    </message>
    <message>
        <source>設定中の背景画像</source>
        <translation>The background picture in use</translation>
    </message>
    <message>
        <source>格子の目の大きさ（ピクセル、1 以上の整数）：小さいほど細かく、遅くなります</source>
        <translation>Size of the lattice cells in pixels (a whole number above 0): smaller is finer and slower</translation>
    </message>
    <message>
        <source>断面の形（百分率）：100 で四分円、ほかの値で膨らみ方が変わります</source>
        <translation>Shape of the profile in hundredths: 100 rises along a quarter circle, other values make it fuller or flatter</translation>
    </message>
    <message>
        <source>膨らみの大きさ（百分率、110 = 1.10）：大きいほどふっくらします</source>
        <translation>How far the bulge reaches, in hundredths (110 = 1.10): larger is fuller</translation>
    </message>
    <message>
        <source>画像を引き伸ばさず、真上から立体に投影します</source>
        <translation>Project the picture straight down onto the solid instead of stretching it</translation>
    </message>
    <message>
        <source>三角形の格子の代わりに正方形の格子を使います</source>
        <translation>Use a square lattice instead of the triangle lattice</translation>
    </message>
    <message>
        <source>裏面用に 2 枚目の画像を選びます</source>
        <translation>Ask for a second picture for the back</translation>
    </message>
    <message>
        <source>obj フォルダから画像を選び、立体にします（数値欄で Enter を押しても同じです）</source>
        <translation>Choose a picture in the obj folder and make it solid (Enter in a number field does the same)</translation>
    </message>
    <message>
        <source>表示中の画像を pic_hozon フォルダに保存します</source>
        <translation>Save the shown frame in the pic_hozon folder</translation>
    </message>
    <message>
        <source>立体化の進み具合</source>
        <translation>Progress of the build</translation>
    </message>
    <message>
        <source>背景の許容値...</source>
        <translation>Background tolerance...</translation>
    </message>
    <message>
        <source>すべての画像</source>
        <translation>All pictures</translation>
    </message>
    <message>
        <source>背景の許容値 (0..255): 左上の色との差が各色この値以下の画素を背景とします</source>
        <translation>Background tolerance (0..255): pixels within this much of the top-left colour in red, green and blue count as background</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>同じ画像で立体化し直す</source>
        <translation>Rebuild the same pictures</translation>
    </message>
    <message>
        <source>数値の変更をすぐに反映</source>
        <translation>Live shaping</translation>
    </message>
    <message>
        <source>Vonnik! プロジェクト (*.vonnik)</source>
        <translation>Vonnik! projects (*.vonnik)</translation>
    </message>
    <message>
        <source>プロジェクトと画像</source>
        <translation>Projects and pictures</translation>
    </message>
    <message>
        <source>%1 への変更を保存しますか?</source>
        <translation>Save the changes to %1?</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>立体を書き出す</source>
        <translation>Export the solid</translation>
    </message>
    <message>
        <source>回転アニメーションを保存</source>
        <translation>Save a turntable</translation>
    </message>
    <message>
        <source>画像を PNG で保存</source>
        <translation>Save the frame</translation>
    </message>
    <message>
        <source>%1 コマを描画して書き出しています...</source>
        <translation>Drawing and encoding %1 frames...</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1: 回転アニメーションに必要なメモリが足りません</source>
        <translation>%1: not enough memory for the turntable</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>画像かプロジェクトを開く(&amp;O)...</source>
        <translation>&amp;Open picture or project...</translation>
    </message>
    <message>
        <source>プロジェクトを保存(&amp;J)...</source>
        <translation>Save pro&amp;ject...</translation>
    </message>
    <message>
        <source>編集(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>元に戻す(&amp;U)</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>やり直す(&amp;R)</source>
        <translation>&amp;Redo</translation>
    </message>
    <message>
        <source>貼り付けた画像を立体化(&amp;V)</source>
        <translation>&amp;Paste picture</translation>
    </message>
    <message>
        <source>作り直す(&amp;R)</source>
        <translation>&amp;Rebuild</translation>
    </message>
    <message>
        <source>スナップショットを pic_hozon に保存(&amp;N)</source>
        <translation>Save s&amp;napshot to pic_hozon</translation>
    </message>
    <message>
        <source>PNG で保存(&amp;S)...</source>
        <translation>&amp;Save PNG...</translation>
    </message>
    <message>
        <source>画像をコピー(&amp;C)</source>
        <translation>&amp;Copy frame</translation>
    </message>
    <message>
        <source>立体を書き出す(&amp;E)...</source>
        <translation>&amp;Export solid...</translation>
    </message>
    <message>
        <source>回転アニメーションを書き出す(&amp;T)...</source>
        <translation>Export &amp;turntable...</translation>
    </message>
    <message>
        <source>閉じる(&amp;X)</source>
        <translation>Close vie&amp;wer</translation>
    </message>
    <message>
        <source>表示(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>輪郭線で表示(&amp;L)</source>
        <translation>Out&amp;lined drawing</translation>
    </message>
    <message>
        <source>作ったときの向きに戻す(&amp;H)</source>
        <translation>Reset &amp;pose</translation>
    </message>
    <message>
        <source>拡大(&amp;I)</source>
        <translation>Zoom &amp;in</translation>
    </message>
    <message>
        <source>縮小(&amp;O)</source>
        <translation>Zoom &amp;out</translation>
    </message>
    <message>
        <source>画面に合わせる(&amp;F)</source>
        <translation>&amp;Fit to screen</translation>
    </message>
    <message>
        <source>等倍 (100 %)(&amp;A)</source>
        <translation>&amp;Actual size (100 %)</translation>
    </message>
    <message>
        <source>設定(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>ライブ整形(&amp;L)</source>
        <translation>&amp;Live shaping</translation>
    </message>
    <message>
        <source>背景の許容値(&amp;T)...</source>
        <translation>Background &amp;tolerance...</translation>
    </message>
    <message>
        <source>言語 (Language)(&amp;G)</source>
        <translation>Lan&amp;guage</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>マウスとキー(&amp;M)</source>
        <translation>&amp;Mouse and keys</translation>
    </message>
    <message>
        <source>Vonnik! について(&amp;A)</source>
        <translation>&amp;About Vonnik!</translation>
    </message>
    <message>
        <source>平らな絵を、ふっくらした立体にして、あらゆる向きから眺めるプログラムです。</source>
        <translation>Turns a flat picture into a cushioned solid that you can turn and look at from every side.</translation>
    </message>
    <message>
        <source>マウス</source>
        <translation>Mouse</translation>
    </message>
    <message>
        <source>右ボタンでドラッグ：立体を回す</source>
        <translation>Right-button drag: turn the solid</translation>
    </message>
    <message>
        <source>左ボタンでダブルクリック：輪郭線の表示を切り替える</source>
        <translation>Left double click: outlined drawing on or off</translation>
    </message>
    <message>
        <source>穴あけモードで左ボタンをクリック：そこに穴をあける</source>
        <translation>Left click in hole mode: a round hole there</translation>
    </message>
    <message>
        <source>クリックで穴をあける(&amp;K)</source>
        <translation>Make &amp;holes by clicking</translation>
    </message>
    <message>
        <source>穴の直径(&amp;D)...</source>
        <translation>Hole &amp;diameter...</translation>
    </message>
    <message>
        <source>穴をすべて消す(&amp;E)</source>
        <translation>R&amp;emove all holes</translation>
    </message>
    <message>
        <source>穴の直径 (画像のピクセル数):</source>
        <translation>Hole diameter (picture pixels):</translation>
    </message>
    <message>
        <source>Ctrl + ホイール：拡大・縮小</source>
        <translation>Ctrl + wheel: zoom in and out</translation>
    </message>
    <message>
        <source>画像ファイルをドロップ：立体化する</source>
        <translation>Drop a picture file: make it solid</translation>
    </message>
    <message>
        <source>パネルの円を左ボタンでクリックまたはドラッグ：光の来る方向を選ぶ</source>
        <translation>Left click or drag on the panel&apos;s disc: where the light comes from</translation>
    </message>
    <message>
        <source>キー</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
</TS>
