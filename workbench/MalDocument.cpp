#include "workbench/MalDocument.h"

#include "workbench/FileRules.h"

namespace tarveno {

bool MalDocument::hasUnsavedWork(const std::string& editorText) const {
    if (unsaved) return true;
    if (named) return false;
    return editorText.find_first_not_of(" \t\r\n") != std::string::npos;
}

std::string MalDocument::unsavedQuestion() const {
    if (!named) return "The new microprogram has not been saved. Save it?";
    return "The microprogram " + FileRules::quoted(fileName) + " has changes that are not saved. Save them?";
}

} // namespace tarveno
