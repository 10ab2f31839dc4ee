#include "viewer/export_dialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QVBoxLayout>

namespace vonnik {

namespace {

const QString kShapeKey = QStringLiteral("export/shape");
const QString kSizeKey = QStringLiteral("export/sizeMm");
const QString kThicknessKey = QStringLiteral("export/thicknessMm");
const QString kFilamentsKey = QStringLiteral("export/filaments");

// A switch and the number it enables, the number off until the switch is on.
template <typename Spin>
Spin* SwitchedNumber(QLayout* layout, QWidget* parent, QCheckBox*& box, const QString& caption,
                     double lowest, double highest, double value) {
    box = new QCheckBox(caption, parent);
    auto* spin = new Spin(parent);
    spin->setRange(lowest, highest);
    spin->setValue(value);
    spin->setEnabled(false);
    QObject::connect(box, &QCheckBox::toggled, spin, &QWidget::setEnabled);
    layout->addWidget(box);
    layout->addWidget(spin);
    return spin;
}

QString Extensions(bool MeshFormatRow::*column, const char* last) {
    return QString::fromStdString(MeshExtensions(column, last));
}

}  // namespace

MeshExportDialog::MeshExportDialog(QWidget* parent, bool printFormat, bool filamentFormat)
    : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("MeshExportDialog", "立体を書き出す"));
    auto* layout = new QVBoxLayout(this);

    auto* shapes = new QGroupBox(
        QCoreApplication::translate("MeshExportDialog", "プリンターのベッドの上 (%1)").arg(Extensions(&MeshFormatRow::print, ", ")), this);
    auto* shapeLayout = new QVBoxLayout(shapes);
    Whole = new QRadioButton(QCoreApplication::translate("MeshExportDialog", "立体全体、表を上に"), shapes);
    FlatBack = new QRadioButton(QCoreApplication::translate("MeshExportDialog", "裏を平らに：サポートのいらないレリーフ"), shapes);
    Halves = new QRadioButton(QCoreApplication::translate("MeshExportDialog", "半分ずつ：表と裏を並べて、貼り合わせる"), shapes);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {Whole, FlatBack, Halves}) {
        group->addButton(b);
        shapeLayout->addWidget(b);
    }
    Whole->setChecked(true);
    ThicknessMm = SwitchedNumber<QDoubleSpinBox>(shapeLayout, shapes, SetThickness,
                                                 QCoreApplication::translate("MeshExportDialog", "厚さ (mm)："), 0.5, 1000.0, 6.0);
    ThicknessMm->setDecimals(1);
    shapes->setEnabled(printFormat);
    layout->addWidget(shapes);

    auto* colours = new QGroupBox(
        QCoreApplication::translate("MeshExportDialog", "多色プリンター用の色 (%1)").arg(Extensions(&MeshFormatRow::filaments, ", ")), this);
    auto* colourLayout = new QVBoxLayout(colours);
    Filaments = SwitchedNumber<QSpinBox>(colourLayout, colours, Paint,
                                         QCoreApplication::translate("MeshExportDialog", "三角形をこの数のフィラメントで塗り分ける："),
                                         kMinFilaments, kMaxFilaments, 4);
    colours->setEnabled(filamentFormat);
    layout->addWidget(colours);

    SizeMm = SwitchedNumber<QDoubleSpinBox>(layout, this, SetSize, QCoreApplication::translate("MeshExportDialog", "いちばん長い辺 (mm)："),
                                            1.0, 10000.0, 50.0);
    SizeMm->setDecimals(1);
    Note = new QLabel(printFormat
                          ? QCoreApplication::translate("MeshExportDialog", "大きさを決めないときは、画像の 1 画素が 0.1 mm です。")
                          : QCoreApplication::translate("MeshExportDialog", "裏を平らにと半分ずつは %1 だけの形です。"
                               "大きさを決めないときは、画像の 1 画素が 0.1 mm です。")
                                .arg(Extensions(&MeshFormatRow::print, ", ")),
                      this);
    Note->setWordWrap(true);
    layout->addWidget(Note);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(Buttons);
}

void MeshExportDialog::Load(const QSettings& settings) {
    const QString shape = settings.value(kShapeKey).toString();
    (shape == QStringLiteral("flat-back") ? FlatBack
     : shape == QStringLiteral("halves")  ? Halves
                                          : Whole)
        ->setChecked(true);
    bool number = false;
    const double size = settings.value(kSizeKey).toDouble(&number);
    SetSize->setChecked(number && size > 0.0);
    if (number && size > 0.0) SizeMm->setValue(size);
    const double thickness = settings.value(kThicknessKey).toDouble(&number);
    SetThickness->setChecked(number && thickness > 0.0);
    if (number && thickness > 0.0) ThicknessMm->setValue(thickness);
    const int filaments = settings.value(kFilamentsKey).toInt(&number);
    Paint->setChecked(number && filaments >= kMinFilaments && filaments <= kMaxFilaments);
    if (Paint->isChecked()) Filaments->setValue(filaments);
}

void MeshExportDialog::Save(QSettings& settings) const {
    settings.setValue(kShapeKey, FlatBack->isChecked() ? QStringLiteral("flat-back")
                                 : Halves->isChecked() ? QStringLiteral("halves")
                                                       : QStringLiteral("whole"));
    settings.setValue(kSizeKey, SetSize->isChecked() ? SizeMm->value() : 0.0);
    settings.setValue(kThicknessKey, SetThickness->isChecked() ? ThicknessMm->value() : 0.0);
    settings.setValue(kFilamentsKey, Paint->isChecked() ? Filaments->value() : 0);
    settings.sync();
}

MeshExportOptions MeshExportDialog::Options() const {
    MeshExportOptions options;
    if (FlatBack->isEnabled() && FlatBack->isChecked()) options.shape = PrintShape::kFlatBack;
    if (Halves->isEnabled() && Halves->isChecked()) options.shape = PrintShape::kHalves;
    if (SetSize->isChecked()) options.sizeMm = SizeMm->value();
    // A group that does not apply to the file's format is shown but disabled.
    if (SetThickness->isChecked() && SetThickness->isEnabled())
        options.thicknessMm = ThicknessMm->value();
    if (Paint->isChecked() && Paint->isEnabled()) options.filaments = Filaments->value();
    return options;
}

QSettings& ExportSettings() {
    // The program's one settings file (~/.config/vonnik/vonnik.conf), beside the language.
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                              QStringLiteral("vonnik"), QStringLiteral("vonnik"));
    return settings;
}

}  // namespace vonnik
