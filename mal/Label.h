#pragma once
// A label of the micro-assembler: the index of the statement that carries it and its
// name. Statements without a label carry the no-label marker "ek9218a".

#include <cstdint>
#include <string>

namespace tarveno {

struct Label {
    // Characters of a name that count; longer names are cut (also where they are used).
    static constexpr size_t maxName = 29;

    int32_t index = 0;
    std::string name;

    // Byte order of the names, as strcmp orders them.
    bool operator<(const Label& o) const { return name < o.name; }
    bool operator==(const Label& o) const { return name == o.name; }
};

} // namespace tarveno
