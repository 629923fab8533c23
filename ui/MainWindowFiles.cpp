#include "ui/MainWindow.h"
#include "ui/WindowText.h"

#include "ui/Dialogs.h"
#include "ui/EditorPane.h"
#include "ui/IjvmWindow.h"
#include "ui/model/FileDialogs.h"

#include <QDir>
#include <QFile>

// The main window's file commands: New and Open with the unsaved work settled first, the
// save dialogs, opening and placing IJVM programs, and a file named on the command line.

namespace tarveno::ui {

void MainWindow::onNewClicked() {
    perform([this] { return settleUnsavedWork() ? session_.newProgram() : Outcome{}; });
}

void MainWindow::onOpenMicroprogramClicked() {
    perform([this] {
        if (!settleUnsavedWork()) return Outcome{};
        const auto name = dialogs_.openFile(this, dialogSetup(openMicroprogramQuestion, paths_.examples));
        return name ? session_.openMicroprogram(fsName(*name)) : Outcome{};
    });
}

void MainWindow::onOpenIjvmClicked() {
    perform([this] { return session_.askIjvmFile(IjvmOpening::Unplaced); });
}

void MainWindow::onPlaceIjvmClicked() {
    perform([this] {
        if (session_.ijvm().unsaved) {
            switch (dialogs_.unsavedWork(ijvmWindow_, utf8(session_.ijvm().unsavedQuestion()))) {
            case UnsavedChoice::Save:
                if (!saveIjvmNow()) return Outcome{};
                break;
            case UnsavedChoice::Discard:
                break;
            case UnsavedChoice::Cancel:
                return Outcome{};
            }
        }
        return session_.askIjvmFile(IjvmOpening::Placed);
    });
}

void MainWindow::placeIjvm(const Outcome& o, std::optional<QString> file) {
    const bool interpreter = o.ask.what == Ask::LoadInterpreter;
    // Loading the interpreter replaces the microprogram editor's text: asked, and settled.
    if (interpreter && (!dialogs_.confirm(this, utf8(o.ask.reason)) || !settleUnsavedWork())) return;
    if (!file) file = dialogs_.openFile(this, dialogSetup(openIjvmQuestion, paths_.examples));
    if (!file) return;
    perform([this, interpreter, n = fsName(*file)] {
        return session_.openIjvm(n, interpreter ? IjvmOpening::OnInterpreter : IjvmOpening::Placed);
    });
}

void MainWindow::onSkeletonClicked() {
    perform([this] { return session_.skeleton(); });
}

void MainWindow::onSaveClicked() {
    perform([this] { return session_.save(); });
}

void MainWindow::onSaveAsClicked() {
    if (session_.run().busy()) return;
    if (const auto name = dialogs_.saveFile(this, dialogSetup(saveMicroprogramQuestion, paths_.examples)))
        perform([this, n = fsName(*name)] { return session_.saveTo(n, SaveMode::SaveAs); });
}

bool MainWindow::settleUnsavedWork() {
    if (!session_.mal().hasUnsavedWork(editor_->text())) return true;
    switch (dialogs_.unsavedWork(this, utf8(session_.mal().unsavedQuestion()))) {
    case UnsavedChoice::Save:
        return saveNow();
    case UnsavedChoice::Discard:
        return true;
    case UnsavedChoice::Cancel:
        break;
    }
    return false;
}

std::function<Outcome()> MainWindow::saveCommandFor(const Outcome& o) {
    FileDialogSetup s = dialogSetup(saveMicroprogramQuestion, paths_.examples);
    // A file that cannot take the changes: Save As, with the reason, in the user's folder.
    const SaveMode mode = o.ask.what == Ask::SaveAsFileName ? SaveMode::SaveAs : SaveMode::Save;
    if (mode == SaveMode::SaveAs) {
        s.title = utf8(o.ask.reason);
        s.folder = QDir::homePath();
    }
    const auto name = dialogs_.saveFile(this, s);
    if (!name) return {};
    return [this, mode, n = fsName(*name)] { return session_.saveTo(n, mode); };
}

bool MainWindow::saveNow() {
    Outcome o = session_.save();
    if (o.ask.what == Ask::SaveFileName || o.ask.what == Ask::SaveAsFileName) {
        const auto save = saveCommandFor(o);
        if (!save) return false;
        o = save();
    }
    editor_->show(o, session_);
    return !showFailure(o);
}

std::function<Outcome()> MainWindow::saveIjvmCommandFor(const Outcome& o) {
    FileDialogSetup s = dialogSetup(saveIjvmQuestion, paths_.examples);
    if (!o.ask.reason.empty()) {
        s.title = utf8(o.ask.reason);
        s.folder = QDir::homePath();
    }
    const auto name = dialogs_.saveFile(ijvmWindow_, s);
    if (!name) return {};
    return [this, n = fsName(*name)] {
        return session_.ijvm().saveAs(n, ijvmWindow_->editorText().toStdString());
    };
}

bool MainWindow::saveIjvmNow() {
    Outcome o = session_.ijvm().save(ijvmWindow_->editorText().toStdString());
    if (o.ask.what == Ask::IjvmSaveFileName) {
        const auto save = saveIjvmCommandFor(o);
        if (!save) return false;
        o = save();
    }
    ijvmWindow_->show(o, session_);
    return !showFailure(o);
}

// ---- A file named on the command line ----

void MainWindow::openFromCommandLine(const QString& file) {
    // A full name, as the file dialogs give, so the editor's title says where it is.
    const std::string name = fsName(QDir::cleanPath(QDir::current().absoluteFilePath(file)));
    if (file.endsWith(".jvm", Qt::CaseInsensitive)) {
        // As File > Open > IJVM Program... does, the file already chosen.
        perform([this, name] {
            const Outcome o = session_.askIjvmFile(IjvmOpening::Placed);
            if (o.ask.what == Ask::IjvmProgramToPlace || o.ask.what == Ask::LoadInterpreter)
                placeIjvm(o, shownName(name));
            return o.ask.what == Ask::Nothing ? o : Outcome{};
        });
        return;
    }
    perform([this, name] { return settleUnsavedWork() ? session_.openMicroprogram(name) : Outcome{}; });
}

} // namespace tarveno::ui
