#include "ijvm/LoadProgram.h"

#include "ijvm/IJVMC.h"

namespace tarveno {

void loadProgram(ControlPath& machine, const std::string& fileName) {
    IJVMC assembler(fileName);
    assembler.assemble();
    // The assembler is discarded here, so its tables can be handed over rather than copied.
    machine.sourceMap = assembler.sourceMap;
    machine.methodMap = assembler.methodMap;
    machine.methods = std::move(assembler.methods);
    machine.constants = std::move(assembler.constants);
    machine.errors = std::move(assembler.errors);
    machine.poolWords = assembler.constantPool.count() / 4;
    machine.methodAreaSize = assembler.methodArea.count();
    machine.reset();
}

} // namespace tarveno
