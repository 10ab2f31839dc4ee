#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>

#include "export/mesh_export.h"

namespace vonnik {

// The choices of Ctrl+E after the file: how an STL or 3MF file lies on the printer's bed
// (the whole solid, a flat back, or two halves) and how thick it is, the size of the solid's
// longest side, and for a 3MF file the number of filaments it is painted for.
// The choices are remembered between exports (Load, Save).
class MeshExportDialog : public QDialog {
  public:
    // printFormat: the file is STL or 3MF; otherwise the shapes are shown but disabled.
    // filamentFormat: the file can carry a filament per triangle (3MF).
    MeshExportDialog(QWidget* parent, bool printFormat, bool filamentFormat = false);

    void Load(const QSettings& settings);
    void Save(QSettings& settings) const;
    MeshExportOptions Options() const;

    QRadioButton* Whole;
    QRadioButton* FlatBack;
    QRadioButton* Halves;
    QCheckBox* SetSize;           // off: one picture pixel is 0.1 mm
    QDoubleSpinBox* SizeMm;       // the longest side, in millimetres
    QCheckBox* SetThickness;      // off: the height as built, at the scale of x and y
    QDoubleSpinBox* ThicknessMm;  // each part's thickness, in millimetres
    QCheckBox* Paint;             // off: one filament, the file coloured per corner only
    QSpinBox* Filaments;          // the picture's colours reduced to this many filaments
    QLabel* Note;
    QDialogButtonBox* Buttons;
};

// The settings file the viewer remembers the choices in (the program's own).
QSettings& ExportSettings();

}  // namespace vonnik
