#include "workbench/Workbench.h"

#include "ijvm/LoadProgram.h"
#include "mal/MicroAssembler.h"

#include <filesystem>

namespace tarveno {

std::string microprogramFileFor(const std::string& source) {
    const std::filesystem::path p(source);
    const std::string name = p.filename().string();
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return (p.parent_path() / (stem + ".bin")).string();
}

CompileOutcome assembleMicroprogram(const std::string& source, const std::string& binary, Check check,
                                    SourceMap* map) {
    CompileOutcome outcome;
    if (check == Check::Run) {
        outcome.check = checkMalFile(source);
        if (outcome.check.errors > 0) return outcome;
    }
    MicroAssembler assembler(source, binary);
    assembler.assemble();
    outcome.warnings = assembler.warnings();
    if (map)
        for (uint32_t a = 0; a < SourceMap::size; ++a)
            map->set(a, {assembler.sourceStart(a), assembler.sourceLength(a)});
    return outcome;
}

CompileOutcome Workbench::compileAndLoad(const std::string& source, const std::string& binary, Check check) {
    SourceMap map;
    CompileOutcome outcome = assembleMicroprogram(source, binary, check, &map);
    if (check == Check::Run && outcome.check.errors > 0) return outcome;
    loadMicroprogramFile(binary, map);
    outcome.loaded = true;
    return outcome;
}

void Workbench::loadMicroprogramFile(const std::string& binary, const SourceMap& map) {
    // The new machine replaces the old one only once it is loaded.
    auto machine = std::make_unique<Machine>();
    machine->loadMicroprogram(binary);
    machine->reset();
    machine_ = std::move(machine);
    sourceMap_ = map;
}

bool Workbench::openIjvmProgram(const std::string& fileName, Image image) {
    if (!machine_) return false;
    ijvmProgram_ =
        image == Image::Place ? loadRunnableProgram(*machine_, fileName) : loadProgram(*machine_, fileName);
    return true;
}

bool Workbench::placeIjvmProgram(IjvmProgram program) {
    if (!machine_) return false;
    machine_->reset();
    placeImage(*machine_, program.methodArea, program.constantPool);
    ijvmProgram_ = std::move(program);
    return true;
}

} // namespace tarveno
