#include "ui/Dialogs.h"

#include "support/Encoding.h"
#include "support/FatalError.h"
#include "ui/EditorFile.h"
#include "ui/Info.h"
#include "ui/InputForm.h"
#include "ui/Memory.h"
#include "ui/Unit3.h"
#include "ui/WriteByteMemory.h"
#include "ui/WriteForm.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace tarveno::ui {

namespace {

std::optional<QString> runFileDialog(QWidget* parent, const FileDialogSetup& setup,
                                     QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, setup.title, setup.folder);
    // Qt's own dialog behaves the same on every desktop. The open dialog also takes the
    // name of a file that does not exist yet, and the save dialog does not ask before
    // replacing a file.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const std::string& f : nameFilters(setup.filter.toStdString()))
        filters << QString::fromStdString(f);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace

void QtDialogs::info(TForm2& dialog) {
    dialog.exec();
}

void QtDialogs::notice(QWidget* parent, const QString& message) {
    TForm3 form(parent);
    form.setMessage(message);
    form.exec();
}

QString QtDialogs::input(QWidget* parent, const QString& prompt, const QString& text) {
    TForm4 form(parent);
    form.Label1->setText(prompt);
    form.Label1->adjustSize();
    form.Edit1->setText(text);
    form.exec();
    return form.Edit1->text();
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const FileDialogSetup& setup) {
    return runFileDialog(parent, setup, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const FileDialogSetup& setup) {
    return runFileDialog(parent, setup, QFileDialog::AcceptSave);
}

std::optional<QColor> QtDialogs::colour(QWidget* parent, const QColor& initial) {
    QColorDialog dialog(initial, parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedColor();
}

void QtDialogs::message(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::memory(TForm5& viewer) {
    viewer.exec();
}

void QtDialogs::writeWord(TForm6& dialog) {
    dialog.exec();
}

void QtDialogs::writeByte(TForm7& dialog) {
    dialog.exec();
}

void showFailure(Dialogs& dialogs, QWidget* parent, const std::exception& failure) {
    if (const auto* fatal = dynamic_cast<const FatalError*>(&failure)) {
        if (!fatal->userMessage().empty())
            dialogs.message(parent,
                            "IJVM Error:", QString::fromStdString(messageToUtf8(fatal->userMessage())));
        else
            dialogs.message(parent, "TARVENO", QString::fromStdString(messageToUtf8(fatal->message())));
        return;
    }
    dialogs.message(parent, "TARVENO", QString::fromLocal8Bit(failure.what()));
}

} // namespace tarveno::ui
