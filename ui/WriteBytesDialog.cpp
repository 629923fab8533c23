#include "ui/WriteBytesDialog.h"

#include "ui/FormStyle.h"

namespace tarveno::ui {

WriteBytesDialog::WriteBytesDialog(double zoom, QWidget* parent) : MemoryEditorDialog(parent) {
    style::setUpForm(this, places::writeBytesDialog, zoom);
    style::makeLabel(this, places::writeBytesAddressTitle, zoom);
    style::makeLabel(this, places::writeBytesDataTitle, zoom);
    address = style::makeEdit(this, places::writeBytesAddress, zoom);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = style::makeEdit(this, places::writeBytesValues[i], zoom);
    addButtons(places::writeBytesOk, places::writeBytesCancel, zoom);
}

} // namespace tarveno::ui
