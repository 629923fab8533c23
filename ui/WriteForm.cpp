#include "ui/WriteForm.h"

#include "ui/Style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarveno::ui {

TForm6::TForm6(QWidget* parent) : EditorForm(parent) {
    style::setUpForm(this, "Form6", "Form6", {327, 214}, {305, 190}, style::timesFont(13, true), style::navy);

    Label1 = style::formLabel(this, "Label1", "Address:", {32, 32});
    Label2 = style::formLabel(this, "Label2", "Word:", {168, 32});
    Edit1 = style::formEdit(this, "Edit1", "0", {32, 64, 97, 24});
    Edit2 = style::formEdit(this, "Edit2", "0", {168, 64, 105, 24});
    addButtons({56, 120}, {160, 120});
}

} // namespace tarveno::ui
