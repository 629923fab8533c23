#include "ui/EditorForm.h"

#include "ui/Style.h"

namespace tarveno::ui {

void EditorForm::addButtons(QPoint ok, QPoint cancel) {
    BitBtn1 = style::okButton(this, ok);
    BitBtn2 = style::cancelButton(this, cancel);
    connect(BitBtn1, &QPushButton::clicked, this, &EditorForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &EditorForm::BitBtn2Click);
}

} // namespace tarveno::ui
