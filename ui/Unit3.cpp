#include "ui/Unit3.h"

#include "ui/Style.h"

#include <QLabel>
#include <QPushButton>

namespace tarveno::ui {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    style::setUpForm(this, "Form3", "Form3", {235, 223}, {507, 159}, style::timesFont(13), style::scrollBar);

    Panel1 = new QLabel("Il programma deve prima essere compilato e caricato in memoria", this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(16, 24, 465, 49);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFont(style::timesFont(13, true));
    style::setBackground(Panel1, style::gray);
    style::setTextColour(Panel1, style::yellow);

    BitBtn1 = new QPushButton("Ok", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(200, 96, 89, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
}

void TForm3::setMessage(const QString& message) {
    Panel1->setText(message);
}

void TForm3::BitBtn1Click() {
    // A Cancel kind of button: it closes the dialog.
    reject();
}

} // namespace tarveno::ui
