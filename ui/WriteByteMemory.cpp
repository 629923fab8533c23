#include "ui/WriteByteMemory.h"

#include "ui/Style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarveno::ui {

TForm7::TForm7(QWidget* parent) : EditorForm(parent) {
    style::setUpForm(this, "WriteByteMemory", "WriteByteMemory", {331, 246}, {306, 186}, style::timesFont(13),
                     style::navy);

    Label1 = style::formLabel(this, "Label1", "Address:", {24, 24});
    Label2 = style::formLabel(this, "Label2", "Data:", {144, 24});
    Edit1 = style::formEdit(this, "Edit1", "0000000000", {24, 56, 81, 23});
    QLineEdit** bytes[4] = {&Edit2, &Edit3, &Edit4, &Edit5};
    const int lefts[4] = {144, 173, 203, 232};
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "Edit" + QByteArray::number(i + 2);
        *bytes[i] = style::formEdit(this, name.constData(), "000", {lefts[i], 56, 28, 23});
    }
    addButtons({56, 112}, {168, 112});
}

} // namespace tarveno::ui
