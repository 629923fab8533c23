#pragma once
// Where every control of every form stands, with its font, colours and design caption, in
// logical pixels: the one table that the forms, the readouts and the pictures read. The
// forms scale it by the window's zoom; nothing else in the window holds a coordinate.

#include "core/MachineDescription.h"
#include "ui/model/Geometry.h"

#include <array>
#include <optional>

namespace tarveno::ui {

// Times New Roman (or its metric twin) and a narrow sans face for the memory list.
enum class Face : uint8_t { Serif, SansNarrow };

struct Font {
    constexpr Font(int pixelSize = 13, bool isBold = false, bool isUnderlined = false,
                   Face typeface = Face::Serif)
        : pixels(pixelSize), bold(isBold), underline(isUnderlined), face(typeface) {}
    int pixels;
    bool bold;
    bool underline;
    Face face;
};

// One control: its name (the objectName tests and the accessibility tree find it by), its
// design caption, its rectangle in its form's client area (a width of 0: the control
// sizes itself to its text from its left and top), its font and its colours (none: the
// toolkit's).
struct Place {
    constexpr Place(const char* objectName, const char* caption, Rect area, Font face = {},
                    std::optional<Rgb> ink = {}, std::optional<Rgb> paper = {})
        : name(objectName), text(caption), rect(area), font(face), textColour(ink), background(paper) {}
    const char* name;
    const char* text;
    Rect rect;
    Font font;
    std::optional<Rgb> textColour;
    std::optional<Rgb> background;
};

// A form: its name, caption, outer rectangle on the screen, font and background.
struct FormPlace {
    const char* name = "";
    const char* caption = "";
    Rect outer;
    Font font;
    Rgb background;
};

// A form's size is its outer size; its controls lie in the client area inside a frame of
// 4 pixels and under a title bar of 26.
inline constexpr int frameWidth = 4;
inline constexpr int titleHeight = 26;
constexpr Rect clientArea(const FormPlace& form) {
    return {form.outer.x, form.outer.y, form.outer.width - 2 * frameWidth,
            form.outer.height - titleHeight - 2 * frameWidth};
}

namespace places {

constexpr Font bold(int pixels = 13) {
    return {pixels, true};
}

// ---- The main window ----------------------------------------------------------------------

inline constexpr FormPlace mainWindow{"Form1", "TARVENO", {104, 19, 839, 679}, {13}, colour::white};

// The datapath picture, the flow surface over it, the clock picture and its marks.
inline constexpr Place datapathPicture{"Image1", "", {7, 16, 802, 497}};
inline constexpr Place flowSurface{"PaintBox1", "", {0, 0, 809, 513}};
inline constexpr Place clockPicture{"Image2", "", {8, 496, 352, 116}};
inline constexpr Place clockMarks{"PaintBox2", "", {8, 496, 352, 116}};

inline constexpr Place fileTitle{"Label31", "MicroProgram:", {360, -2, 0, 0}, bold(16), colour::navy};
inline constexpr Place fileNameLabel{"Label33", "", {472, -2, 0, 0}, bold(16), colour::navy};
inline constexpr Place microprogramEditor{"Memo2", "",           {358, 56, 425, 193},
                                          {13},    colour::blue, colour::toolTipBackground};
inline constexpr Place reportPane{"Memo3", "", {358, 248, 425, 107}, {13}, colour::white, colour::report};
// The editor and, when there is one, the report below it share the editor's rectangle, so
// that the report never covers the control word's legend below.
inline constexpr Place editorArea{"editorArea", "", {358, 56, 425, 193}};

inline constexpr Place buttonPanel{"Panel1", "", {448, 512, 313, 97}, {13}, {}, colour::light3d};
inline constexpr Place memoryButton{"BitBtn8", "Memory", {464, 528, 60, 29}};
inline constexpr Place subCycleButton{"BitBtn6", "SubCicle", {536, 528, 60, 29}, {13}, colour::blue};
inline constexpr Place micButton{"BitBtn1", "Mic", {608, 528, 60, 29}, {13}, colour::blue};
inline constexpr Place resetButton{"BitBtn4", "Reset", {680, 528, 60, 29}, {13}, colour::blue};
inline constexpr Place compileButton{"BitBtn5", "Compile and Load", {464, 576, 111, 25}, bold()};
inline constexpr Place radixBox{"ComboBox1", "", {616, 580, 129, 21}};

// The readouts over the datapath picture. The ALU panel is gray so that both its black
// and its yellow text read well.
inline constexpr Place aluPanel{"Panel2", "ALU", {136, 362, 78, 17}, bold(), colour::black, colour::gray};
inline constexpr Place cBusTitle{"Label23", "Bus C:", {9, 20, 0, 0}, bold(), colour::navy};
inline constexpr Place cBusLabel{"Label28", "", {48, 20, 0, 0}, bold(), colour::navy};
inline constexpr Place bBusLabel{"Label27", "", {224, 316, 0, 0}, bold(), colour::navy};
inline constexpr Place nLabel{"Label29", "", {266, 342, 0, 0}, {11}, colour::navy};
inline constexpr Place zLabel{"Label30", "", {266, 374, 0, 0}, {11}, colour::navy};
inline constexpr Place mpcLabel{"Label1", "", {320, 91, 0, 0}, {11}, colour::lime};

// The register readouts, top to bottom, and the register each shows. The datapath
// picture stacks its register boxes in the same order.
inline constexpr std::array<Register, 10> readoutRegisters{MAR, MDR, PC, MBR, SP, LV, CPP, TOS, OPC, H};
inline constexpr std::array<Place, 10> registerLabels{{
    {"Label11", "", {136, 39, 0, 0}, bold(), colour::navy},
    {"Label12", "", {136, 66, 0, 0}, bold(), colour::navy},
    {"Label13", "", {136, 95, 0, 0}, bold(), colour::black},
    {"Label14", "", {136, 124, 0, 0}, bold(), colour::navy},
    {"Label15", "", {136, 153, 0, 0}, bold(), colour::navy},
    {"Label16", "", {136, 181, 0, 0}, bold(), colour::navy},
    {"Label17", "", {136, 206, 0, 0}, bold(), colour::navy},
    {"Label18", "", {136, 237, 0, 0}, bold(), colour::navy},
    {"Label19", "", {136, 265, 0, 0}, bold(), colour::navy},
    {"Label20", "", {136, 295, 0, 0}, bold(), colour::navy},
}};

// The 36 bits of the microinstruction executed last stand under these columns of the
// datapath picture (in picture pixels), where the picture names the fields over them:
// the next address (9 bits), then the control word from JMPC down.
inline constexpr std::array<int, 36> bitColumns{352, 363, 373, 383, 393, 403, 413, 424, 433, 445, 458, 472,
                                                484, 495, 509, 526, 539, 551, 561, 573, 585, 597, 610, 622,
                                                634, 646, 657, 670, 683, 696, 707, 720, 732, 743, 753, 762};
inline constexpr int bitTop = 357;
inline constexpr std::array<const char*, 36> bitNames{
    "L1",  "L2",  "L3",  "L4",  "L5",  "L6",  "L7",  "L8",  "L9",  "L10", "L11", "L12",
    "L13", "L14", "L15", "L16", "L17", "L18", "L19", "L20", "L21", "L22", "L23", "L24",
    "L25", "L26", "L27", "L28", "L29", "L30", "L31", "L32", "L33", "L34", "L35", "L36"};
constexpr Place bitLabel(size_t i) {
    return {bitNames[i], "", {datapathPicture.rect.x + bitColumns[i], bitTop, 0, 0}, {13}, colour::black};
}

// The IJVM buttons: made hidden, beyond the right edge (the IJVM program is watched in its
// own window).
inline constexpr Place ijvmStepButton{"BitBtn2", "Step", {912, 216, 62, 29}, {13}, colour::blue};
inline constexpr Place ijvmRunButton{"BitBtn3", "Run", {856, 248, 60, 29}, {13}, colour::blue};
inline constexpr Place clockButton{"BitBtn7", "Clock", {848, 216, 65, 33}};
inline constexpr Place layoutButton{"Button2", "", {848, 56, 20, 20}, {13}, colour::lime};

// ---- The dialogs ----------------------------------------------------------------------------

inline constexpr FormPlace infoDialog{"Form2", "Info", {259, 70, 472, 501}, bold(), colour::white};
inline constexpr Place infoBanner{"Image1", "", {24, 32, 433, 129}};
inline constexpr Place infoClock{"Image2", "", {24, 136, 361, 89}};
inline constexpr Place infoPanel{"Panel1", "", {16, 248, 433, 153}, bold(), {}, colour::white};
inline constexpr std::array<Place, 5> infoLines{{
    {"StaticText2", "", {48, 259, 0, 0}, bold(), colour::black, colour::white},
    {"StaticText3", "", {48, 286, 0, 0}, bold(), colour::black, colour::white},
    {"StaticText4", "", {48, 314, 0, 0}, bold(), colour::black, colour::white},
    {"StaticText5", "", {48, 341, 0, 0}, bold(), colour::black, colour::white},
    {"StaticText6", "", {48, 368, 0, 0}, bold(), colour::black, colour::white},
}};
inline constexpr Place infoOkButton{"BitBtn1", "Ok", {192, 416, 78, 41}, bold()};

inline constexpr FormPlace noticeDialog{"Form3", "Form3", {235, 223, 507, 159}, {13}, colour::scrollBar};
inline constexpr Place noticeMessage{
    "Panel1",          "Il programma deve prima essere compilato e caricato in memoria",
    {16, 24, 465, 49}, bold(),
    colour::yellow,    colour::gray};
inline constexpr Place noticeOkButton{"BitBtn1", "Ok", {200, 96, 89, 25}};

inline constexpr FormPlace goToDialog{"InputForm", "InputForm", {325, 236, 206, 168}, {13}, colour::navy};
inline constexpr Place goToPrompt{"Label1", "", {32, 32, 0, 0}, bold(), colour::yellow};
inline constexpr Place goToValue{"Edit1", "", {32, 56, 137, 28}, bold(), colour::blue};
inline constexpr Place goToOkButton{"BitBtn1", "OK", {64, 104, 65, 25}};

inline constexpr FormPlace memoryViewer{"Form5", "Memory", {316, 172, 364, 296}, {13}, colour::navy};
inline constexpr Place memoryTitle{"StaticText1", "Memory", {24, 14, 67, 25}, bold(16), colour::yellow};
// A narrow face at 11 pixels: a hexadecimal line of 33 characters fits the list.
inline constexpr Place memoryList{
    "ListBox1", "", {24, 40, 193, 169}, {11, false, false, Face::SansNarrow}, {}, colour::white};
inline constexpr int memoryListRowHeight = 15;
inline constexpr Place previousPageButton{"BitBtn1", "<--", {24, 224, 57, 25}};
inline constexpr Place nextPageButton{"BitBtn2", "-->", {160, 224, 57, 25}};
inline constexpr Place writeBytesButton{"BitBtn6", "Write Byte", {240, 80, 89, 25}};
inline constexpr Place writeWordButton{"BitBtn4", "Write Word", {240, 104, 89, 25}};
inline constexpr Place goToButton{"BitBtn3", "Go at", {240, 128, 89, 25}};
inline constexpr Place memoryRadixBox{"ComboBox1", "", {240, 187, 89, 21}};
inline constexpr Place memoryOkButton{"BitBtn5", "OK", {240, 224, 89, 25}};
// The word view: between "Go at" and the radix, in the column of commands.
inline constexpr Place memoryWordsBox{"memoryWordsMode", "&Words", {240, 158, 89, 22}, {13}, colour::yellow};

inline constexpr FormPlace writeWordDialog{"Form6", "Form6", {327, 214, 305, 190}, bold(), colour::navy};
inline constexpr Place writeWordAddressTitle{"Label1", "Address:", {32, 32, 0, 0}, bold(), colour::lime};
inline constexpr Place writeWordValueTitle{"Label2", "Word:", {168, 32, 0, 0}, bold(), colour::lime};
inline constexpr Place writeWordAddress{"Edit1", "0", {32, 64, 97, 24}, bold(), colour::black};
inline constexpr Place writeWordValue{"Edit2", "0", {168, 64, 105, 24}, bold(), colour::black};
inline constexpr Place writeWordOk{"BitBtn1", "OK", {56, 120, 75, 25}, bold()};
inline constexpr Place writeWordCancel{"BitBtn2", "Cancel", {160, 120, 75, 25}, bold()};

inline constexpr FormPlace writeBytesDialog{
    "WriteByteMemory", "WriteByteMemory", {331, 246, 306, 186}, {13}, colour::navy};
inline constexpr Place writeBytesAddressTitle{"Label1", "Address:", {24, 24, 0, 0}, bold(), colour::lime};
inline constexpr Place writeBytesDataTitle{"Label2", "Data:", {144, 24, 0, 0}, bold(), colour::lime};
inline constexpr Place writeBytesAddress{"Edit1", "0000000000", {24, 56, 81, 23}, {13}, colour::black};
// The four bytes, the most significant first.
inline constexpr std::array<Place, 4> writeBytesValues{{
    {"Edit2", "000", {144, 56, 28, 23}, {13}, colour::black},
    {"Edit3", "000", {173, 56, 28, 23}, {13}, colour::black},
    {"Edit4", "000", {203, 56, 28, 23}, {13}, colour::black},
    {"Edit5", "000", {232, 56, 28, 23}, {13}, colour::black},
}};
inline constexpr Place writeBytesOk{"BitBtn1", "OK", {56, 112, 75, 25}};
inline constexpr Place writeBytesCancel{"BitBtn2", "Cancel", {168, 112, 75, 25}};

} // namespace places

} // namespace tarveno::ui
