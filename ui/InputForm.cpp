#include "ui/InputForm.h"

#include "ui/Style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarveno::ui {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    style::setUpForm(this, "InputForm", "InputForm", {325, 236}, {206, 168}, style::timesFont(13),
                     style::navy);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->move(32, 32);
    Label1->setFont(style::timesFont(13, true));
    style::setTextColour(Label1, style::yellow);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(32, 56, 137, 28);
    Edit1->setFont(style::timesFont(13, true));
    style::setTextColour(Edit1, style::blue);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(64, 104, 65, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
}

void TForm4::BitBtn1Click() {
    accept();
}

} // namespace tarveno::ui
