#include "ui/DatapathPanel.h"

#include "core/Microinstruction.h"
#include "ui/model/Readouts.h"

#include <QLabel>

namespace tarveno::ui {

namespace {
// The name a readout is read out by, beside its value.
constexpr const char* readoutProperty = "readout";
} // namespace

DatapathPanel::DatapathPanel(QWidget* client, style::PlacedControls& placed, const PicturesFactory& pictures)
    // The pictures first, so that every readout lies over them.
    : drawing_(pictures ? pictures(client) : makeDatapathPictures(client)) {
    auto label = [&](const Place& p) {
        QLabel* l = placed.add(style::makeLabel(client, p), p);
        l->hide();
        return l;
    };
    aluPanel_ = label(places::aluPanel);
    aluPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    aluPanel_->setAlignment(Qt::AlignCenter);
    cBusTitle_ = label(places::cBusTitle);
    cBus_ = label(places::cBusLabel);
    for (size_t i = 0; i < registers_.size(); ++i)
        registers_[i] = label(places::registerLabels[i]);
    bBus_ = label(places::bBusLabel);
    n_ = label(places::nLabel);
    z_ = label(places::zLabel);
    mpc_ = label(places::mpcLabel);
    for (size_t i = 0; i < bits_.size(); ++i)
        bits_[i] = label(places::bitLabel(i));
    // A screen reader reads each readout as its name and value: "MAR 30".
    for (size_t i = 0; i < registers_.size(); ++i)
        registers_[i]->setProperty(readoutProperty,
                                   QString::fromUtf8(registerNames[places::readoutRegisters[i]].data()));
    for (const auto& [l, name] :
         {std::pair{bBus_, "B bus"}, {cBus_, "C bus"}, {n_, "N"}, {z_, "Z"}, {mpc_, "MPC"}})
        l->setProperty(readoutProperty, QString(name));
    aluPanel_->setAccessibleName("ALU");
}

void DatapathPanel::showReadouts() {
    for (QLabel* l : {aluPanel_, cBusTitle_, cBus_, bBus_, n_, z_, mpc_})
        l->show();
    for (QLabel* l : registers_)
        l->show();
    for (QLabel* l : bits_)
        l->show();
}

void DatapathPanel::play(Refresh refresh, const Session& session, std::function<void()> finished) {
    steps_ = paintSteps(refresh);
    next_ = 0;
    session_ = &session;
    finished_ = std::move(finished);
    playing_ = true;
    advance();
}

void DatapathPanel::finish() {
    // The flow in progress ends at once and its end plays the remaining steps.
    if (playing_) drawing_->finishFlow();
}

void DatapathPanel::advance() {
    while (next_ < steps_.size()) {
        const Paint p = steps_[next_++];
        if (p.step == PaintStep::ABFlow || p.step == PaintStep::CFlow) {
            const uint32_t mir = session_->workbench().machine().mir;
            auto resume = [this] { advance(); };
            const bool drawn = p.step == PaintStep::ABFlow
                                   ? drawing_->abFlow(field(mir, Field::B), p.value, resume)
                                   : drawing_->cFlow(field(mir, Field::C), p.value, resume);
            if (!drawn) return; // the flow's end plays on
            continue;
        }
        perform(p);
    }
    if (!playing_) return;
    playing_ = false;
    if (auto finished = std::exchange(finished_, nullptr)) finished();
}

void DatapathPanel::setCaption(QLabel* label, const std::string& text) {
    const QString value = QString::fromStdString(text);
    style::setCaption(label, value);
    label->setAccessibleName(label->property(readoutProperty).toString() + " " + value);
}

void DatapathPanel::perform(const Paint& p) {
    const Machine& m = session_->workbench().machine();
    switch (p.step) {
    case PaintStep::InstructionBits: {
        const auto bits = instructionBits(m);
        for (size_t i = 0; i < bits.size(); ++i)
            style::setCaption(bits_[i], QString(QChar(bits[i])));
        break;
    }
    case PaintStep::ClearMarks:
        for (QLabel* l : registers_)
            style::setTextColour(l, style::qColour(unmarked));
        style::setTextColour(aluPanel_, style::qColour(unmarked));
        break;
    case PaintStep::BSourceMark:
        if (const auto i = bSourceReadout(field(m.mir, Field::B)))
            style::setTextColour(registers_[*i], style::qColour(bSourceMark));
        break;
    case PaintStep::BLine:
        drawing_->bLine(executedWord(m));
        break;
    case PaintStep::CLines:
        drawing_->cLines(executedWord(m));
        break;
    case PaintStep::ShiftAndJmpcMarks:
        drawing_->shiftAndJmpcMarks(executedWord(m));
        break;
    case PaintStep::NAndZMarks:
        drawing_->nAndZMarks(m.n != 0, m.z != 0);
        break;
    case PaintStep::BBusValue:
        setCaption(bBus_, busText(m.bBus));
        break;
    case PaintStep::AluText:
        aluPanel_->setText(QString::fromStdString(aluCaption(m)));
        aluPanel_->setAccessibleName("ALU " + aluPanel_->text());
        style::setTextColour(aluPanel_, style::qColour(aluShown));
        break;
    case PaintStep::CBusValue:
        setCaption(cBus_, busText(m.cBus));
        break;
    case PaintStep::ClockRepaint:
        drawing_->clockRepaint();
        break;
    case PaintStep::ClockMark:
        drawing_->clockMark(p.value);
        break;
    case PaintStep::CWriteMarks:
        for (size_t i : cWriteReadouts(field(m.mir, Field::C)))
            style::setTextColour(registers_[i], style::qColour(cWriteMark));
        break;
    case PaintStep::RegisterValues: {
        const ValueTexts t = valueTexts(m, session_->run().radix());
        for (size_t i = 0; i < registers_.size(); ++i)
            setCaption(registers_[i], t.registers[i]);
        setCaption(bBus_, t.bBus);
        setCaption(cBus_, t.cBus);
        setCaption(n_, t.n);
        setCaption(z_, t.z);
        setCaption(mpc_, t.mpc);
        break;
    }
    case PaintStep::SourceSelection:
        if (selectSource) selectSource();
        break;
    case PaintStep::ABFlow:
    case PaintStep::CFlow:
        break; // played by advance
    }
}

} // namespace tarveno::ui
