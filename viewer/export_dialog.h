#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>

#include "export/mesh_export.h"

namespace vonnik {

// The choices of Ctrl+E after the file: how an STL or 3MF file lies on the printer's bed
// (the whole solid, a flat back, or two halves) and the size of the solid's longest side.
// The choices are remembered between exports (Load, Save).
class MeshExportDialog : public QDialog {
  public:
    // printFormat: the file is STL or 3MF; otherwise the shapes are shown but disabled.
    MeshExportDialog(QWidget* parent, bool printFormat);

    void Load(const QSettings& settings);
    void Save(QSettings& settings) const;
    MeshExportOptions Options() const;

    QRadioButton* Whole;
    QRadioButton* FlatBack;
    QRadioButton* Halves;
    QCheckBox* SetSize;      // off: one picture pixel is 0.1 mm
    QDoubleSpinBox* SizeMm;  // the longest side, in millimetres
    QLabel* Note;
    QDialogButtonBox* Buttons;
};

// The settings file the viewer remembers the choices in (the program's own).
QSettings& ExportSettings();

}  // namespace vonnik
