#include "ui/WriteByteMemory.h"

#include "ui/Style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarveno::ui {

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
    setObjectName("WriteByteMemory");
    setWindowTitle("WriteByteMemory");
    setModal(true);
    move(331, 246);
    setFixedSize(style::clientSize(306, 186));
    setFont(style::timesFont(13));
    style::setBackground(this, style::navy);

    Label1 = style::formLabel(this, "Label1", "Address:", {24, 24});
    Label2 = style::formLabel(this, "Label2", "Data:", {144, 24});
    Edit1 = style::formEdit(this, "Edit1", "0000000000", {24, 56, 81, 23});
    QLineEdit** bytes[4] = {&Edit2, &Edit3, &Edit4, &Edit5};
    const int lefts[4] = {144, 173, 203, 232};
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "Edit" + QByteArray::number(i + 2);
        *bytes[i] = style::formEdit(this, name.constData(), "000", {lefts[i], 56, 28, 23});
    }
    BitBtn1 = style::okButton(this, {56, 112});
    BitBtn2 = style::cancelButton(this, {168, 112});
    connect(BitBtn1, &QPushButton::clicked, this, &TForm7::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm7::BitBtn2Click);
}

void TForm7::BitBtn1Click() {
    accepted = 1;
    accept();
}

void TForm7::BitBtn2Click() {
    accepted = 0;
    reject();
}

} // namespace tarveno::ui
