// The panel's captions and tooltips in the chosen language. The designed captions keep the
// designed boxes; a translated caption may widen its control to the right, so that no text
// is cut off, but never past the panel's right margin.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "app/Unit6.h"

namespace vonnik {

namespace {

constexpr int kRightMargin = 4;
const char kDesignedBox[] = "designedGeometry";

QString Tr(const char* source) {
    return QCoreApplication::translate("TForm1", source);
}

// The room a caption needs: the text, and for a button its frame, for a check box its
// indicator.
int NeededWidth(QWidget* control, const QString& text) {
    const int textWidth = control->fontMetrics().horizontalAdvance(text);
    if (qobject_cast<QCheckBox*>(control) != nullptr) return control->sizeHint().width();
    if (qobject_cast<QPushButton*>(control) != nullptr) return textWidth + 12;
    return textWidth;
}

// Sets a caption; the designed box for the designed caption, else as wide as the
// caption needs.
template <typename Control>
void Caption(Control* control, const char* source) {
    if (!control->property(kDesignedBox).isValid())
        control->setProperty(kDesignedBox, control->geometry());
    const QRect designed = control->property(kDesignedBox).toRect();
    const QString text = Tr(source);
    control->setText(text);
    QRect box = designed;
    if (text != QString::fromUtf8(source)) {
        const int room = control->parentWidget()->width() - kRightMargin - designed.left();
        box.setWidth(std::clamp(NeededWidth(control, text), designed.width(), room));
    }
    control->setGeometry(box);
}

}  // namespace

QString TForm1::Label1Caption() const {
    if (State.BackgroundName.empty()) return QCoreApplication::translate("TForm1", "背景：なし");
    return QCoreApplication::translate("TForm1", "背景：") +
           QString::fromStdString(State.BackgroundName);
}

void TForm1::RetranslateUi() {
    Caption(StaticText5, QT_TRANSLATE_NOOP("TForm1", "光源"));
    Caption(StaticText4, QT_TRANSLATE_NOOP("TForm1", "光量"));
    Caption(CheckBox4, QT_TRANSLATE_NOOP("TForm1", "逆光"));
    Caption(Button2, QT_TRANSLATE_NOOP("TForm1", "背景画像設定"));
    Caption(Button3, QT_TRANSLATE_NOOP("TForm1", "背景ｸﾘｱ"));
    Caption(StaticText1, QT_TRANSLATE_NOOP("TForm1", "ポリゴンの大きさ"));
    Caption(StaticText2, QT_TRANSLATE_NOOP("TForm1", "曲率係数"));
    Caption(StaticText3, QT_TRANSLATE_NOOP("TForm1", "円許容係数"));
    Caption(CheckBox1, QT_TRANSLATE_NOOP("TForm1", "カラー鉛直射影"));
    Caption(CheckBox2, QT_TRANSLATE_NOOP("TForm1", "特殊ポリゴン"));
    Caption(CheckBox3, QT_TRANSLATE_NOOP("TForm1", "両面読込"));
    Caption(Button1, QT_TRANSLATE_NOOP("TForm1", "立体化画像読込"));
    SetLabel1(Label1Caption());

    const QString lightTip = QCoreApplication::translate(
        "TForm1", "円の上を左ボタンでクリックまたはドラッグして、光の来る方向を選びます");
    setToolTip(lightTip);
    StaticText5->setToolTip(lightTip);
    const QString amountTip = QCoreApplication::translate("TForm1", "陰影の強さ（1.00～5.00）");
    StaticText4->setToolTip(amountTip);
    TrackBar1->setToolTip(amountTip);
    CheckBox4->setToolTip(QCoreApplication::translate("TForm1", "光源をモデルの後ろに置きます"));
    Button2->setToolTip(
        QCoreApplication::translate("TForm1", "haikei フォルダから背景画像を選びます"));
    Button3->setToolTip(
        QCoreApplication::translate("TForm1", "背景画像を外し、画像の背景色に戻します"));
    Label1->setToolTip(QCoreApplication::translate("TForm1", "設定中の背景画像"));
    const QString polygonTip = QCoreApplication::translate(
        "TForm1", "格子の目の大きさ（ピクセル、1 以上の整数）：小さいほど細かく、遅くなります");
    StaticText1->setToolTip(polygonTip);
    Edit1->setToolTip(polygonTip);
    const QString curvatureTip = QCoreApplication::translate(
        "TForm1", "断面の形（百分率）：100 で四分円、ほかの値で膨らみ方が変わります");
    StaticText2->setToolTip(curvatureTip);
    Edit2->setToolTip(curvatureTip);
    const QString toleranceTip = QCoreApplication::translate(
        "TForm1", "膨らみの大きさ（百分率、110 = 1.10）：大きいほどふっくらします");
    StaticText3->setToolTip(toleranceTip);
    Edit3->setToolTip(toleranceTip);
    CheckBox1->setToolTip(
        QCoreApplication::translate("TForm1", "画像を引き伸ばさず、真上から立体に投影します"));
    CheckBox2->setToolTip(
        QCoreApplication::translate("TForm1", "三角形の格子の代わりに正方形の格子を使います"));
    CheckBox3->setToolTip(QCoreApplication::translate("TForm1", "裏面用に 2 枚目の画像を選びます"));
    Button1->setToolTip(QCoreApplication::translate(
        "TForm1", "obj フォルダから画像を選び、立体にします（数値欄で Enter を押しても同じです）"));
    SpeedButton1->setToolTip(
        QCoreApplication::translate("TForm1", "表示中の画像を pic_hozon フォルダに保存します"));
    ProgressBar1->setToolTip(QCoreApplication::translate("TForm1", "立体化の進み具合"));
    ToleranceAction->setText(QCoreApplication::translate("TForm1", "背景の許容値..."));
    RebuildAction->setText(QCoreApplication::translate("TForm1", "同じ画像で立体化し直す"));
    LiveAction->setText(QCoreApplication::translate("TForm1", "数値の変更をすぐに反映"));
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) RetranslateUi();
    QWidget::changeEvent(event);
}

}  // namespace vonnik
