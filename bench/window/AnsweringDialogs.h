#pragma once
// Every dialog of the window answered at once, for the programs that drive the window
// without a person: the file dialogs answer file, the others their preset or nothing;
// what happens while the viewer and its editors are open is up to the caller.

#include "ui/Dialogs.h"

#include <cstdio>
#include <functional>

namespace tarveno::ui {

struct AnsweringDialogs : Dialogs {
    QString file;
    std::function<void()> onInfo = [] {};
    std::function<void(MemoryViewer&)> onMemory = [](MemoryViewer&) {};
    std::function<void(WriteWordDialog&)> onWriteWord = [](WriteWordDialog&) {};
    std::function<void(WriteBytesDialog&)> onWriteBytes = [](WriteBytesDialog&) {};

    void info(InfoDialog&) override { onInfo(); }
    void notice(QWidget*, const QString&) override {}
    QString input(QWidget*, const QString&, const QString& text) override { return text; }
    std::optional<QString> ask(QWidget*, const QString&, const QString& text) override { return text; }
    std::optional<QString> openFile(QWidget*, const FileDialogSetup&) override { return file; }
    std::optional<QString> saveFile(QWidget*, const FileDialogSetup&) override { return file; }
    std::optional<QColor> colour(QWidget*, const QColor& initial) override { return initial; }
    void message(QWidget*, const QString& caption, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
    UnsavedChoice unsavedWork(QWidget*, const QString&) override { return UnsavedChoice::Discard; }
    bool confirm(QWidget*, const QString&) override { return true; }
    void memory(MemoryViewer& viewer) override { onMemory(viewer); }
    void writeWord(WriteWordDialog& dialog) override { onWriteWord(dialog); }
    void writeBytes(WriteBytesDialog& dialog) override { onWriteBytes(dialog); }
};

} // namespace tarveno::ui
