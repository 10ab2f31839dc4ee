#include "viewer/export_dialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QVBoxLayout>

namespace vonnik {

namespace {

const QString kShapeKey = QStringLiteral("export/shape");
const QString kSizeKey = QStringLiteral("export/sizeMm");

}  // namespace

MeshExportDialog::MeshExportDialog(QWidget* parent, bool printFormat) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("MeshExportDialog", "立体を書き出す"));
    auto* layout = new QVBoxLayout(this);

    auto* shapes = new QGroupBox(
        QCoreApplication::translate("MeshExportDialog", "プリンターのベッドの上 (.stl, .3mf)"),
        this);
    auto* shapeLayout = new QVBoxLayout(shapes);
    Whole = new QRadioButton(QCoreApplication::translate("MeshExportDialog", "立体全体、表を上に"),
                             shapes);
    FlatBack = new QRadioButton(
        QCoreApplication::translate("MeshExportDialog", "裏を平らに：サポートのいらないレリーフ"),
        shapes);
    Halves = new QRadioButton(
        QCoreApplication::translate("MeshExportDialog", "半分ずつ：表と裏を並べて、貼り合わせる"),
        shapes);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {Whole, FlatBack, Halves}) {
        group->addButton(b);
        shapeLayout->addWidget(b);
    }
    Whole->setChecked(true);
    shapes->setEnabled(printFormat);
    layout->addWidget(shapes);

    SetSize = new QCheckBox(
        QCoreApplication::translate("MeshExportDialog", "いちばん長い辺 (mm)："), this);
    SizeMm = new QDoubleSpinBox(this);
    SizeMm->setRange(1.0, 10000.0);
    SizeMm->setDecimals(1);
    SizeMm->setValue(50.0);
    SizeMm->setEnabled(false);
    connect(SetSize, &QCheckBox::toggled, SizeMm, &QWidget::setEnabled);
    layout->addWidget(SetSize);
    layout->addWidget(SizeMm);
    Note = new QLabel(
        printFormat
            ? QCoreApplication::translate("MeshExportDialog",
                                          "大きさを決めないときは、画像の 1 画素が 0.1 mm です。")
            : QCoreApplication::translate("MeshExportDialog",
                                          "裏を平らにと半分ずつは .stl と .3mf だけの形です。"
                                          "大きさを決めないときは、画像の 1 画素が 0.1 mm です。"),
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
}

void MeshExportDialog::Save(QSettings& settings) const {
    settings.setValue(kShapeKey, FlatBack->isChecked() ? QStringLiteral("flat-back")
                                 : Halves->isChecked() ? QStringLiteral("halves")
                                                       : QStringLiteral("whole"));
    settings.setValue(kSizeKey, SetSize->isChecked() ? SizeMm->value() : 0.0);
    settings.sync();
}

MeshExportOptions MeshExportDialog::Options() const {
    MeshExportOptions options;
    if (FlatBack->isEnabled() && FlatBack->isChecked()) options.shape = PrintShape::kFlatBack;
    if (Halves->isEnabled() && Halves->isChecked()) options.shape = PrintShape::kHalves;
    if (SetSize->isChecked()) options.sizeMm = SizeMm->value();
    return options;
}

QSettings& ExportSettings() {
    // The program's one settings file (~/.config/vonnik/vonnik.conf), beside the language.
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                              QStringLiteral("vonnik"), QStringLiteral("vonnik"));
    return settings;
}

}  // namespace vonnik
