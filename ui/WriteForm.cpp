#include "ui/WriteForm.h"

#include "ui/Style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarveno::ui {

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName("Form6");
    setWindowTitle("Form6");
    setModal(true);
    move(327, 214);
    setFixedSize(style::clientSize(305, 190));
    setFont(style::timesFont(13, true));
    style::setBackground(this, style::navy);

    Label1 = style::formLabel(this, "Label1", "Address:", {32, 32});
    Label2 = style::formLabel(this, "Label2", "Word:", {168, 32});
    Edit1 = style::formEdit(this, "Edit1", "0", {32, 64, 97, 24});
    Edit2 = style::formEdit(this, "Edit2", "0", {168, 64, 105, 24});
    BitBtn1 = style::okButton(this, {56, 120});
    BitBtn2 = style::cancelButton(this, {160, 120});
    connect(BitBtn1, &QPushButton::clicked, this, &TForm6::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm6::BitBtn2Click);
}

void TForm6::BitBtn1Click() {
    accepted = 1;
    accept();
}

void TForm6::BitBtn2Click() {
    accepted = 0;
    reject();
}

} // namespace tarveno::ui
