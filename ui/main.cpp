// tarveno: the workbench window. It reads no command line.

#include "ui/Main.h"
#include "ui/Dialogs.h"
#include "ui/Host.h"
#include "ui/Info.h"
#include "ui/InputForm.h"
#include "ui/Memory.h"
#include "ui/Unit3.h"
#include "ui/WriteByteMemory.h"
#include "ui/WriteForm.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tarveno");
    QApplication::setApplicationVersion(TARVENO_VERSION);

    tarveno::ui::QtDialogs dialogs;
    tarveno::ui::TForm1 window(dialogs, tarveno::ui::defaultHostPaths());
    // The dialog forms, made once and kept hidden; each use makes its own.
    tarveno::ui::TForm2 form2;
    tarveno::ui::TForm3 form3;
    tarveno::ui::TForm4 form4;
    tarveno::ui::TForm5 form5(dialogs, nullptr);
    tarveno::ui::TForm6 form6;
    tarveno::ui::TForm7 form7;
    window.show();
    return app.exec();
}
