#include "ui/IjvmControls.h"

#include "support/Conversions.h"
#include "workbench/Session.h"

#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace tarveno::ui {

IjvmControls::IjvmControls(QWidget* client, style::PlacedControls& placed) : QObject(client) {
    auto hidden = [&](auto* w, const Place& p) {
        w->hide();
        return placed.add(w, p);
    };
    editor = hidden(style::makeEditor(client, places::ijvmEditor), places::ijvmEditor);
    title_ = hidden(style::makeLabel(client, places::ijvmTitle), places::ijvmTitle);
    fileName_ = hidden(style::makeLabel(client, places::ijvmFileNameLabel), places::ijvmFileNameLabel);
    stepButton = hidden(style::makeButton(client, places::ijvmStepButton), places::ijvmStepButton);
    runButton = hidden(style::makeButton(client, places::ijvmRunButton), places::ijvmRunButton);
    clockButton = hidden(style::makeButton(client, places::clockButton), places::clockButton);
    layoutButton = hidden(style::makeButton(client, places::layoutButton), places::layoutButton);
    for (const Place* p : {&places::constantPoolTitle, &places::stackTitle, &places::methodAreaTitle,
                           &places::cppMark, &places::spMark, &places::lvMark, &places::offsetTitle})
        hidden(style::makeLabel(client, *p), *p);

    const Place* lists[4] = {&places::viewList1, &places::viewList2, &places::viewList3, &places::viewList4};
    for (int i = 0; i < 4; ++i) {
        views_[i] = hidden(style::makeList(client, *lists[i]), *lists[i]);
        views_[i]->setSelectionMode(i == 0 ? QAbstractItemView::SingleSelection
                                           : QAbstractItemView::MultiSelection);
    }
    diagnostics_ = hidden(style::makeList(client, places::diagnosticsList), places::diagnosticsList);
    diagnostics_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* group = new QGroupBox(QString::fromUtf8(places::standardIoBox.text), client);
    group->setObjectName(places::standardIoBox.name);
    style::place(group, places::standardIoBox);
    hidden(group, places::standardIoBox);
    input_ = hidden(style::makeEdit(client, places::standardInputBox), places::standardInputBox);
    input_->installEventFilter(this);

    connect(diagnostics_, &QListWidget::itemClicked, this, [this] {
        if (diagnosticClicked) diagnosticClicked(diagnostics_->currentRow());
    });
}

bool IjvmControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_ && event->type() == QEvent::FocusOut && inputLeft) inputLeft(input_->text());
    return QObject::eventFilter(watched, event);
}

void IjvmControls::show(const Answer& a, const IjvmDocument& document) {
    style::setCaption(fileName_, QFile::decodeName(QByteArray::fromStdString(document.fileName)));
    if (a.diagnosticsChanged) {
        diagnostics_->clear();
        for (const std::string& message : document.diagnostics)
            diagnostics_->addItem(QString::fromStdString(message));
    }
    if (a.ijvmEditorReloaded) {
        editor->setPlainText(QString::fromStdString(document.file.text));
        editor->setTextCursor(QTextCursor(editor->document()));
    }
    if (a.ijvmViewsCleared) {
        for (QListWidget* l : views_)
            l->clear();
        diagnostics_->hide();
        input_->setText(QString::fromStdString(decimalText(0)));
    }
    if (a.ijvmSelection) style::select(editor, std::pair{a.ijvmSelection->start, a.ijvmSelection->end});
}

void IjvmControls::toggleClock(QWidget* clockPicture) {
    for (QWidget* w : {static_cast<QWidget*>(editor), clockPicture, static_cast<QWidget*>(title_),
                       static_cast<QWidget*>(fileName_)})
        if (w) w->setVisible(w->isHidden()); // its own flag, whether or not the window is shown
}

} // namespace tarveno::ui
