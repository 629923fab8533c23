#pragma once
// Every modal exchange of the window with its user goes through this one seam: the
// window holds a Dialogs and never opens a dialog itself, so each command can be driven
// without a person. QtDialogs shows the real forms and Qt's dialogs.

#include "ui/model/FileDialogs.h"

#include <QColor>
#include <QString>

#include <exception>
#include <optional>

class QWidget;

namespace tarveno::ui {

class InfoDialog;
class MemoryViewer;
class WriteWordDialog;
class WriteBytesDialog;

// What to do with work that is on no disk before it would be replaced.
enum class UnsavedChoice { Save, Discard, Cancel };

// How a file dialog is set up for one use.
struct FileDialogSetup {
    QString title;
    QString filter; // description and pattern pairs, separated by bars
    QString folder; // the folder it opens in
};

// The setup of a command's file dialog, opening in folder.
FileDialogSetup dialogSetup(const FileQuestion& question, const QString& folder);

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // The window's zoom, at which the dialogs are made.
    double zoom = 1.0;

    // The Info dialog, modally.
    virtual void info(InfoDialog& dialog) = 0;
    // The notice dialog with message, modally.
    virtual void notice(QWidget* parent, const QString& message) = 0;
    // The "Go at" dialog: the prompt and the preset text; answers the text it holds when
    // it closes.
    virtual QString input(QWidget* parent, const QString& prompt, const QString& text) = 0;
    // A question answered by a line of text, preset to text, with OK and Cancel; nothing
    // when cancelled.
    virtual std::optional<QString> ask(QWidget* parent, const QString& prompt, const QString& text) = 0;
    // A file-open or file-save dialog; nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogSetup& setup) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogSetup& setup) = 0;
    // The colour dialog, offering initial; nothing when cancelled.
    virtual std::optional<QColor> colour(QWidget* parent, const QColor& initial) = 0;
    // A message box with one OK button.
    virtual void message(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Save, Discard or Cancel, asked with question.
    virtual UnsavedChoice unsavedWork(QWidget* parent, const QString& question) = 0;
    // Yes or No, asked with question: true for Yes.
    virtual bool confirm(QWidget* parent, const QString& question) = 0;
    // The memory viewer, modally: its commands run while it is shown.
    virtual void memory(MemoryViewer& viewer) = 0;
    // The word and byte editors, modally; each keeps in its accepted field how it was
    // closed.
    virtual void writeWord(WriteWordDialog& dialog) = 0;
    virtual void writeBytes(WriteBytesDialog& dialog) = 0;
};

class QtDialogs : public Dialogs {
  public:
    void info(InfoDialog& dialog) override;
    void notice(QWidget* parent, const QString& message) override;
    QString input(QWidget* parent, const QString& prompt, const QString& text) override;
    std::optional<QString> ask(QWidget* parent, const QString& prompt, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogSetup& setup) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogSetup& setup) override;
    std::optional<QColor> colour(QWidget* parent, const QColor& initial) override;
    void message(QWidget* parent, const QString& caption, const QString& text) override;
    UnsavedChoice unsavedWork(QWidget* parent, const QString& question) override;
    bool confirm(QWidget* parent, const QString& question) override;
    void memory(MemoryViewer& viewer) override;
    void writeWord(WriteWordDialog& dialog) override;
    void writeBytes(WriteBytesDialog& dialog) override;
};

// A command's failure in a box: a malformed number's text under "IJVM Error:", any other
// message under the window's caption.
void showFailure(Dialogs& dialogs, QWidget* parent, const std::exception& failure);

} // namespace tarveno::ui
