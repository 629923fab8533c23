#include "ui/WriteWordDialog.h"

#include "ui/FormStyle.h"

namespace tarveno::ui {

WriteWordDialog::WriteWordDialog(double zoom, QWidget* parent) : MemoryEditorDialog(parent) {
    style::setUpForm(this, places::writeWordDialog, zoom);
    style::makeLabel(this, places::writeWordAddressTitle, zoom);
    style::makeLabel(this, places::writeWordValueTitle, zoom);
    address = style::makeEdit(this, places::writeWordAddress, zoom);
    word = style::makeEdit(this, places::writeWordValue, zoom);
    addButtons(places::writeWordOk, places::writeWordCancel, zoom);
}

} // namespace tarveno::ui
