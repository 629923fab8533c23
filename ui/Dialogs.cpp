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
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

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
    QMessageBox box(QMessageBox::Question, "TARVENO", question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return UnsavedChoice::Save;
    case QMessageBox::Discard:
        return UnsavedChoice::Discard;
    default:
        return UnsavedChoice::Cancel;
    }
}

bool QtDialogs::confirm(QWidget* parent, const QString& question) {
    return QMessageBox::question(parent, "TARVENO", question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
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
