#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

namespace vonnik {

// Runs Qt's own file dialog (the same on every desktop, and translated with the program)
// modally over parent, starting at start (a folder, or a file to preselect): the chosen path,
// or empty when cancelled.
QString RunFileDialog(QWidget* parent, const QString& start, const QStringList& filters,
                      QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
                      const QString& defaultSuffix = QString());

}  // namespace vonnik
