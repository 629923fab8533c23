#include "ui/Memory.h"

#include "ui/Dialogs.h"
#include "ui/MemoryView.h"
#include "ui/Style.h"
#include "ui/WriteByteMemory.h"
#include "ui/WriteForm.h"
#include "workbench/Workbench.h"

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

TForm5::TForm5(Dialogs& dialogs, Workbench* workbench, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), workbench_(workbench) {
    style::setUpForm(this, "Form5", "Memory", {316, 172}, {364, 296}, style::timesFont(13), style::navy);

    StaticText1 = new QLabel("Memory", this);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setGeometry(24, 14, 67, 25);
    StaticText1->setFont(style::timesFont(16, true));
    style::setTextColour(StaticText1, style::yellow);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(24, 40, 193, 169);
    ListBox1->setUniformItemSizes(true);
    // A narrow sans face at 11 pixels: a hexadecimal line of 33 characters fits the list.
    QFont lines(QStringLiteral("Liberation Sans Narrow"));
    lines.setStyleHint(QFont::SansSerif);
    lines.setPixelSize(11);
    ListBox1->setFont(lines);
    style::setBackground(ListBox1, Qt::white);

    auto button = [this](const char* name, const QString& text, QRect place) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setGeometry(place);
        return b;
    };
    BitBtn1 = button("BitBtn1", "<--", {24, 224, 57, 25});
    BitBtn2 = button("BitBtn2", "-->", {160, 224, 57, 25});
    BitBtn6 = button("BitBtn6", "Write Byte", {240, 80, 89, 25});
    BitBtn4 = button("BitBtn4", "Write Word", {240, 104, 89, 25});
    BitBtn3 = button("BitBtn3", "Go at", {240, 128, 89, 25});
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(240, 187, 89, 21);
    ComboBox1->addItems({"Decimal", "Hex"});
    ComboBox1->setCurrentIndex(0);
    BitBtn5 = button("BitBtn5", "OK", {240, 224, 89, 25});
    BitBtn5->setDefault(true);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm5::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm5::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm5::BitBtn4Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TForm5::BitBtn6Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm5::ComboBox1Change);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm5::BitBtn5Click);

    RefreshMemoryList();
}

void TForm5::RefreshMemoryList() {
    if (!workbench_ || !workbench_->hasMachine()) return;
    ListBox1->setUpdatesEnabled(false);
    ListBox1->clear();
    for (const std::string& line : memoryLines(workbench_->machine(), firstWord_, memoryRadix_)) {
        auto* item = new QListWidgetItem(QString::fromStdString(line), ListBox1);
        item->setSizeHint({0, 15}); // items 15 pixels high
    }
    ListBox1->setUpdatesEnabled(true);
}

void TForm5::BitBtn2Click() {
    firstWord_ = nextPage(firstWord_);
    RefreshMemoryList();
}

void TForm5::BitBtn1Click() {
    firstWord_ = previousPage(firstWord_);
    RefreshMemoryList();
}

void TForm5::BitBtn3Click() {
    command([&] {
        // The input dialog has no Cancel: whatever it holds when it closes is used.
        const QString text = dialogs_.input(this, "Address:", "0");
        firstWord_ = typedWordAddress(text.toStdString());
        RefreshMemoryList();
    });
}

void TForm5::BitBtn4Click() {
    command([&] {
        TForm6 dialog(this);
        dialogs_.writeWord(dialog);
        if (dialog.accepted == 1 && workbench_ && workbench_->hasMachine())
            store(workbench_->machine(), wordWrite(textOf(dialog.Edit1), textOf(dialog.Edit2)));
        RefreshMemoryList();
    });
}

void TForm5::BitBtn6Click() {
    command([&] {
        TForm7 dialog(this);
        dialogs_.writeByte(dialog);
        if (dialog.accepted == 1 && workbench_ && workbench_->hasMachine()) {
            const std::string b[4] = {textOf(dialog.Edit2), textOf(dialog.Edit3), textOf(dialog.Edit4),
                                      textOf(dialog.Edit5)};
            store(workbench_->machine(), byteWrite(textOf(dialog.Edit1), {b[0], b[1], b[2], b[3]}));
        }
        RefreshMemoryList();
    });
}

void TForm5::ComboBox1Change(int index) {
    if (index == 0) memoryRadix_ = 10;
    if (index == 1) memoryRadix_ = 16;
    RefreshMemoryList();
}

void TForm5::BitBtn5Click() {
    accept();
}

void TForm5::command(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        showFailure(dialogs_, this, e);
    }
}

} // namespace tarveno::ui
