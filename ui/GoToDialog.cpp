#include "ui/GoToDialog.h"

#include "ui/FormStyle.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarveno::ui {

GoToDialog::GoToDialog(double zoom, QWidget* parent) : QDialog(parent) {
    style::setUpForm(this, places::goToDialog, zoom);
    prompt_ = style::makeLabel(this, places::goToPrompt, zoom);
    value_ = style::makeEdit(this, places::goToValue, zoom);
    okButton_ = style::makeButton(this, places::goToOkButton, zoom);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void GoToDialog::setPrompt(const QString& prompt) {
    style::setCaption(prompt_, prompt);
}

void GoToDialog::setValue(const QString& value) {
    value_->setText(value);
}

QString GoToDialog::value() const {
    return value_->text();
}

} // namespace tarveno::ui
