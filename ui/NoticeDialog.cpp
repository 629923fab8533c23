#include "ui/NoticeDialog.h"

#include "ui/FormStyle.h"

#include <QLabel>
#include <QPushButton>

namespace tarveno::ui {

NoticeDialog::NoticeDialog(double zoom, QWidget* parent) : QDialog(parent) {
    style::setUpForm(this, places::noticeDialog, zoom);
    message_ = style::makeLabel(this, places::noticeMessage, zoom);
    message_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    message_->setAlignment(Qt::AlignCenter);
    okButton_ = style::makeButton(this, places::noticeOkButton, zoom);
    okButton_->setDefault(true);
    // A Cancel kind of button: it closes the dialog.
    connect(okButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void NoticeDialog::setMessage(const QString& message) {
    message_->setText(message);
}

QString NoticeDialog::message() const {
    return message_->text();
}

void NoticeDialog::pressOk() {
    okButton_->click();
}

} // namespace tarveno::ui
