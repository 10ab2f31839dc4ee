// The program entry: the control panel as the main window, the viewer beside it, hidden
// until the first build.
#include <QApplication>

#include "app/Unit6.h"
#include "viewer/Unit7.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vonnik::TForm1 Form1;
    vonnik::TForm2 Form2(Form1.State);
    Form1.Form2 = &Form2;
    Form1.show();
    return application.exec();
}
