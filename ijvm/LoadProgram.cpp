#include "ijvm/LoadProgram.h"

#include "ijvm/IjvmAssembler.h"

namespace tarveno {

IjvmProgram assembleProgram(const std::string& fileName) {
    IjvmAssembler assembler(fileName);
    assembler.assemble();
    return std::move(assembler.program);
}

IjvmProgram loadProgram(Machine& machine, const std::string& fileName) {
    IjvmProgram program = assembleProgram(fileName);
    machine.reset();
    return program;
}

ImageLayout placeImage(Machine& machine, const ImageBytes& methodArea, const ImageBytes& constantPool) {
    const auto areaBytes = static_cast<uint32_t>(methodArea.count());
    ImageLayout layout;
    layout.cpp = (areaBytes + 3) / 4;
    for (uint32_t word = 0; word < layout.cpp; ++word) {
        uint32_t w = 0;
        for (uint32_t k = 0; k < 4; ++k) {
            const uint32_t b = 4 * word + k;
            w = (w << 8) | (b < areaBytes ? methodArea.at(static_cast<int32_t>(b)) : 0u);
        }
        machine.memoryWord(word) = static_cast<int32_t>(w);
    }
    const auto entries = static_cast<uint32_t>(constantPool.count() / 4);
    for (uint32_t i = 0; i < entries; ++i)
        machine.memoryWord(layout.cpp + i) = constantPool.word32(static_cast<int32_t>(4 * i));
    layout.stackBase = layout.cpp + entries;
    machine.memoryWord(layout.stackBase) = 0;

    machine.registers[PC] = -1;
    machine.registers[CPP] = static_cast<int32_t>(layout.cpp);
    machine.registers[SP] = static_cast<int32_t>(layout.stackBase);
    machine.registers[LV] = 0;
    machine.registers[TOS] = 0;
    return layout;
}

IjvmProgram loadRunnableProgram(Machine& machine, const std::string& fileName) {
    IjvmProgram program = loadProgram(machine, fileName);
    placeImage(machine, program.methodArea, program.constantPool);
    return program;
}

} // namespace tarveno
