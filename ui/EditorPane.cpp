#include "ui/EditorPane.h"

#include "ui/CodeEditor.h"
#include "ui/WindowText.h"
#include "workbench/Session.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>

namespace tarveno::ui {

EditorPane::EditorPane(QWidget* client, style::PlacedControls& placed) : QObject(client) {
    title_ = placed.add(style::makeLabel(client, places::fileTitle), places::fileTitle);
    fileName_ = placed.add(style::makeLabel(client, places::fileNameLabel), places::fileNameLabel);
    title_->hide();
    fileName_->hide();
    area_ = placed.add(new QSplitter(Qt::Vertical, client), places::editorArea);
    area_->setObjectName(places::editorArea.name);
    area_->setChildrenCollapsible(false);
    style::place(area_, places::editorArea);
    editor = placed.add(style::makeCodeEditor(area_, places::microprogramEditor), places::microprogramEditor,
                        style::PlacedControls::Sizing::FontOnly);
    editor->setAccessibleName("MicroProgram");
    area_->addWidget(editor);
    // The selection of the current microinstruction stays visible without focus.
    QPalette p = editor->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    editor->setPalette(p);
    report_ = placed.add(style::makeEditor(area_, places::reportPane), places::reportPane,
                         style::PlacedControls::Sizing::FontOnly);
    report_->setAccessibleName("Report");
    area_->addWidget(report_);
    report_->setReadOnly(true);
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    report_->hide();
    report_->installEventFilter(this);
    connect(report_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!showing_) chooseReportLine();
    });
    connect(editor->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified && !showing_ && edited) edited();
    });
}

void EditorPane::show(const Outcome& o, const Session& session) {
    showing_ = true;
    const MalDocument& d = session.mal();
    if (o.redraw.has(View::MalEditor)) editor->setPlainText(QString::fromStdString(d.file.text));
    editor->document()->setModified(d.needsCompile);
    if (o.redraw.has(View::Report)) {
        const CheckerReport& report = session.report();
        if (report.shown()) report_->setPlainText(QString::fromStdString(report.text()));
        showReport(report.shown());
        std::vector<CodeMark> marks;
        for (const Finding& f : report.findings())
            marks.push_back({f.statement.start, f.statement.end, f.error});
        editor->setMarks(marks);
    }
    showing_ = false;
    showName(session);
}

void EditorPane::showName(const Session& session) {
    QString name = shownName(session.mal().fileName);
    if (session.mal().hasUnsavedWork(text())) name += "*";
    style::setCaption(fileName_, name);
}

QWidget* EditorPane::area() const {
    return area_;
}

void EditorPane::showReport(bool shown) {
    reportShown_ = shown;
    if (docked_) return;
    report_->setVisible(shown);
    // A report takes the lower part of the editor's rectangle.
    if (shown) area_->setSizes({area_->height() * 55 / 100, area_->height() * 45 / 100});
}

void EditorPane::setDocked(bool docked) {
    docked_ = docked;
    if (docked) {
        report_->show();
        return;
    }
    area_->insertWidget(0, editor);
    area_->insertWidget(1, report_);
    editor->show();
    showReport(reportShown_);
}

void EditorPane::showTitle() {
    title_->show();
    fileName_->show();
}

std::string EditorPane::text() const {
    QString t = editor->document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QChar('\n'));
    return t.toStdString();
}

void EditorPane::setReadOnly(bool readOnly) {
    editor->setReadOnly(readOnly);
}

void EditorPane::selectSpan(const EditorSpan& span) {
    editor->selectSpan(span.start, span.end);
}

void EditorPane::chooseReportLine() {
    if (reportLineClicked) reportLineClicked(report_->textCursor().blockNumber());
}

bool EditorPane::eventFilter(QObject* watched, QEvent* event) {
    // Enter on the line the cursor is on chooses it again; Escape goes back to the editor
    // (before the window's Escape, which stops a Run, takes it).
    if (watched == report_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    if (watched == report_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            editor->setFocus();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseReportLine();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarveno::ui
