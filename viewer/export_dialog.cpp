#include "viewer/export_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QVBoxLayout>

namespace vonnik {

namespace {

const QString kShapeKey = QStringLiteral("export/shape");
const QString kSizeKey = QStringLiteral("export/sizeMm");

}  // namespace

MeshExportDialog::MeshExportDialog(QWidget* parent, bool printFormat) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export the solid"));
    auto* layout = new QVBoxLayout(this);

    auto* shapes = new QGroupBox(QStringLiteral("On the printer's bed (.stl, .3mf)"), this);
    auto* shapeLayout = new QVBoxLayout(shapes);
    Whole = new QRadioButton(QStringLiteral("The whole solid, front up"), shapes);
    FlatBack =
        new QRadioButton(QStringLiteral("Flat back: a relief that needs no supports"), shapes);
    Halves =
        new QRadioButton(QStringLiteral("Halves: front and back side by side, to glue"), shapes);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* b : {Whole, FlatBack, Halves}) {
        group->addButton(b);
        shapeLayout->addWidget(b);
    }
    Whole->setChecked(true);
    shapes->setEnabled(printFormat);
    layout->addWidget(shapes);

    SetSize = new QCheckBox(QStringLiteral("Longest side in millimetres:"), this);
    SizeMm = new QDoubleSpinBox(this);
    SizeMm->setRange(1.0, 10000.0);
    SizeMm->setDecimals(1);
    SizeMm->setValue(50.0);
    SizeMm->setEnabled(false);
    connect(SetSize, &QCheckBox::toggled, SizeMm, &QWidget::setEnabled);
    layout->addWidget(SetSize);
    layout->addWidget(SizeMm);
    Note = new QLabel(printFormat ? QStringLiteral("Without a size, a picture pixel is 0.1 mm.")
                                  : QStringLiteral("Flat back and halves shape .stl and .3mf "
                                                   "files only. Without a size, a picture "
                                                   "pixel is 0.1 mm."),
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
