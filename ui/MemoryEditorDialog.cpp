#include "ui/MemoryEditorDialog.h"

#include "ui/FormStyle.h"

#include <QPushButton>

namespace tarveno::ui {

void MemoryEditorDialog::addButtons(const Place& ok, const Place& cancel, double zoom) {
    okButton_ = style::makeButton(this, ok, zoom);
    okButton_->setDefault(true);
    cancelButton_ = style::makeButton(this, cancel, zoom);
    connect(okButton_, &QPushButton::clicked, this, [this] {
        accepted = 1;
        accept();
    });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        accepted = 0;
        reject();
    });
}

void MemoryEditorDialog::pressOk() {
    okButton_->click();
}

void MemoryEditorDialog::pressCancel() {
    cancelButton_->click();
}

} // namespace tarveno::ui
