#include "ui/MemoryViewer.h"

#include "ui/Dialogs.h"
#include "ui/FormStyle.h"
#include "ui/WriteBytesDialog.h"
#include "ui/WriteWordDialog.h"
#include "ui/model/MemoryPage.h"
#include "workbench/Session.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace tarveno::ui {

namespace {

std::string textOf(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

MemoryViewer::MemoryViewer(Dialogs& dialogs, Session& session, double zoom, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), session_(session), zoom_(zoom) {
    style::setUpForm(this, places::memoryViewer, zoom);
    style::makeLabel(this, places::memoryTitle, zoom);
    list_ = style::makeList(this, places::memoryList, zoom);
    list_->setUniformItemSizes(true);
    auto button = [&](const Place& p, void (MemoryViewer::*slot)()) {
        QPushButton* b = style::makeButton(this, p, zoom);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    button(places::previousPageButton, &MemoryViewer::onPreviousPageClicked);
    button(places::nextPageButton, &MemoryViewer::onNextPageClicked);
    button(places::writeBytesButton, &MemoryViewer::onWriteBytesClicked);
    button(places::writeWordButton, &MemoryViewer::onWriteWordClicked);
    button(places::goToButton, &MemoryViewer::onGoToClicked);
    QComboBox* radix = style::makeRadixBox(this, places::memoryRadixBox, zoom);
    connect(radix, &QComboBox::currentIndexChanged, this, &MemoryViewer::onRadixChanged);
    button(places::memoryOkButton, &QDialog::accept)->setDefault(true);
    words_ = new QCheckBox(style::caption(places::memoryWordsBox), this);
    words_->setObjectName(places::memoryWordsBox.name);
    words_->setAccessibleName("Show words by word address");
    words_->setToolTip("Words by word address, as the registers and the stack count them: the words SP, "
                       "LV, CPP and PC point at marked, those the last step or Run changed highlighted");
    style::place(words_, places::memoryWordsBox, zoom);
    style::makeKeyboardButton(words_);
    connect(words_, &QCheckBox::toggled, this, &MemoryViewer::onWordsToggled);

    refreshList();
}

void MemoryViewer::showWords(bool on) {
    words_->setChecked(on);
    onWordsToggled(on);
}

void MemoryViewer::onWordsToggled(bool on) {
    // The same words stay in view: firstWord_ counts words in both views.
    unit_ = on ? AddressUnit::Word : AddressUnit::Byte;
    refreshList();
}

void MemoryViewer::embed() {
    setWindowFlags(Qt::Widget);
    setModal(false);
    setObjectName("memoryView");
    setAccessibleName("Memory");
    if (auto* ok = findChild<QPushButton*>(places::memoryOkButton.name)) ok->hide();
    // Its controls carry the dialog's names; inside the main window they are told apart
    // from the main window's own controls of the same names.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->objectName().isEmpty()) w->setObjectName("memoryView." + w->objectName());
}

void MemoryViewer::refreshList() {
    const Workbench& bench = session_.workbench();
    if (!bench.hasMachine()) return;
    list_->setUpdatesEnabled(false);
    list_->clear();
    const int rowHeight = scaled(places::memoryListRowHeight, zoom_);
    if (unit_ == AddressUnit::Word) {
        const RunController& run = session_.run();
        QFont bold = list_->font();
        bold.setBold(true);
        for (const WordLine& line : memoryWordLines(bench.machine(), firstWord_, memoryRadix_,
                                                    [&](uint32_t w) { return run.changedByLast(w); })) {
            auto* item = new QListWidgetItem(QString::fromStdString(line.text), list_);
            item->setSizeHint({0, rowHeight});
            if (line.marked) item->setFont(bold);
            if (line.changed) {
                item->setBackground(QColor(0xFF, 0xD5, 0x4F));
                item->setToolTip("Changed by the last step or Run");
            }
        }
    } else {
        for (const std::string& line : memoryLines(bench.machine(), firstWord_, memoryRadix_)) {
            auto* item = new QListWidgetItem(QString::fromStdString(line), list_);
            item->setSizeHint({0, rowHeight});
        }
    }
    list_->setUpdatesEnabled(true);
}

void MemoryViewer::onNextPageClicked() {
    firstWord_ = nextPage(firstWord_);
    refreshList();
}

void MemoryViewer::onPreviousPageClicked() {
    firstWord_ = previousPage(firstWord_);
    refreshList();
}

void MemoryViewer::onGoToClicked() {
    command([&] {
        // The input dialog has no Cancel: whatever it holds when it closes is used.
        const QString text =
            dialogs_.input(this, unit_ == AddressUnit::Word ? "Word address:" : "Address:", "0");
        firstWord_ = typedWordAddress(text.toStdString(), unit_);
        refreshList();
    });
}

void MemoryViewer::onWriteWordClicked() {
    command([&] {
        WriteWordDialog dialog(zoom_, this);
        nameWordAddresses(dialog);
        dialogs_.writeWord(dialog);
        if (dialog.accepted == 1) {
            const MemoryWrite w = wordWrite(textOf(dialog.address), textOf(dialog.word), unit_);
            write(w.wordAddress, w.value);
        }
        refreshList();
    });
}

void MemoryViewer::onWriteBytesClicked() {
    command([&] {
        WriteBytesDialog dialog(zoom_, this);
        nameWordAddresses(dialog);
        dialogs_.writeBytes(dialog);
        if (dialog.accepted == 1) {
            const std::array<std::string, 4> b{textOf(dialog.bytes[0]), textOf(dialog.bytes[1]),
                                               textOf(dialog.bytes[2]), textOf(dialog.bytes[3])};
            const MemoryWrite w = byteWrite(textOf(dialog.address), {b[0], b[1], b[2], b[3]}, unit_);
            write(w.wordAddress, w.value);
        }
        refreshList();
    });
}

void MemoryViewer::onRadixChanged(int index) {
    if (index == 0) memoryRadix_ = 10;
    if (index == 1) memoryRadix_ = 16;
    refreshList();
}

void MemoryViewer::nameWordAddresses(QDialog& editor) const {
    // In the word view the editors take word addresses, and say so.
    if (unit_ != AddressUnit::Word) return;
    if (auto* title = editor.findChild<QLabel*>("Label1")) style::setCaption(title, "Word address:");
}

void MemoryViewer::write(uint32_t wordAddress, int32_t value) {
    const Outcome o = session_.run().writeMemoryWord(wordAddress, value);
    if (written) written(o);
}

void MemoryViewer::command(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        showFailure(dialogs_, this, e);
    }
}

} // namespace tarveno::ui
