#include "ui/Dialogs.h"
#include "ui/WindowText.h"

#include "ui/GoToDialog.h"
#include "ui/InfoDialog.h"
#include "ui/MemoryViewer.h"
#include "ui/NoticeDialog.h"
#include "ui/WriteBytesDialog.h"
#include "ui/WriteWordDialog.h"
#include "ui/model/FileDialogs.h"
#include "workbench/Session.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace tarveno::ui {

FileDialogSetup dialogSetup(const FileQuestion& question, const QString& folder) {
    return {utf8(question.title), utf8(question.filter), folder};
}

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

void QtDialogs::info(InfoDialog& dialog) {
    dialog.exec();
}

void QtDialogs::notice(QWidget* parent, const QString& message) {
    NoticeDialog form(zoom, parent);
    form.setMessage(message);
    form.exec();
}

QString QtDialogs::input(QWidget* parent, const QString& prompt, const QString& text) {
    GoToDialog form(zoom, parent);
    form.setPrompt(prompt);
    form.setValue(text);
    form.exec();
    return form.value();
}

std::optional<QString> QtDialogs::ask(QWidget* parent, const QString& prompt, const QString& text) {
    // Sized to its prompt, with Cancel.
    QInputDialog dialog(parent);
    dialog.setWindowTitle("TARVENO");
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    dialog.setOkButtonText("&OK");
    dialog.setCancelButtonText("Cancel");
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
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

UnsavedChoice QtDialogs::unsavedWork(QWidget* parent, const QString& question) {
    // Alt+S, Alt+D and Escape choose, whatever the platform names its buttons.
    QMessageBox box(QMessageBox::Question, "TARVENO", question, QMessageBox::NoButton, parent);
    QPushButton* save = box.addButton("&Save", QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton("&Discard", QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton("Cancel", QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return UnsavedChoice::Save;
    if (box.clickedButton() == discard) return UnsavedChoice::Discard;
    return UnsavedChoice::Cancel;
}

bool QtDialogs::confirm(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, "TARVENO", question, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
    QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::memory(MemoryViewer& viewer) {
    viewer.exec();
}

void QtDialogs::writeWord(WriteWordDialog& dialog) {
    dialog.exec();
}

void QtDialogs::writeBytes(WriteBytesDialog& dialog) {
    dialog.exec();
}

void showFailure(Dialogs& dialogs, QWidget* parent, const std::exception& failure) {
    const FailureText f = failureText(failure);
    dialogs.message(parent, QString::fromStdString(f.caption), QString::fromStdString(f.text));
}

} // namespace tarveno::ui
