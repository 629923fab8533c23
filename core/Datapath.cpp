#include "core/Datapath.h"

namespace tarveno {

void DatapathState::memoryAccess(uint32_t mem, MainMemory& memory) {
    if (mem & MemFetch) {
        const uint32_t pc = static_cast<uint32_t>(registers[PC]);
        const uint32_t w = static_cast<uint32_t>(memory.read(pc >> 2));
        pendingMbr = static_cast<int32_t>((w >> (8 * (3 - (pc & 3u)))) & 0xFFu);
    }
    if (mem & MemRead) {
        pendingMdr = memory.read(static_cast<uint32_t>(registers[MAR]));
    } else if (mem & MemWrite) {
        const uint32_t mar = static_cast<uint32_t>(registers[MAR]);
        memory.lookup(mar) = registers[MDR];
        if (mar == machine::standardOutputAddress && outputSink) [[unlikely]]
            outputSink->record(registers[MDR]);
    }
}

} // namespace tarveno
