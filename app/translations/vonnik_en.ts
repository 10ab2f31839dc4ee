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
</context>
</TS>
