# Runs the layer check on the source tree and on a small tree of its own, first clean, then
# with includes that break the layers, and expects the message to name each of them.
function(check_layers tree expected_result)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${SOURCE_DIR}/cmake/CheckLayers.cmake
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(expected_result STREQUAL "pass" AND NOT result EQUAL 0)
    message(FATAL_ERROR "The check refused ${tree}:\n${output}")
  elseif(expected_result STREQUAL "fail" AND result EQUAL 0)
    message(FATAL_ERROR "The check passed ${tree}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

function(write path text)
  file(WRITE ${WORK_DIR}/${path} "${text}\n")
endfunction()

check_layers(${SOURCE_DIR} pass)

# What the layers allow, and what lies outside them.
file(REMOVE_RECURSE ${WORK_DIR})
write(core/Microinstruction.h "#include <support/List.h>\n#include \"core/Datapath.h\"")
write(ui/model/View.h "#include \"workbench/Workbench.h\"\n#include \"ui/model/Lines.h\"\n#include <queue>")
write(ui/Main.cpp "#include \"ui/model/View.h\"\n#include \"ui/Host.h\"\n#include <QWidget>")
write(tests/core/Test.cpp "#include \"../../ui/Main.h\"")
write(build-debug/moc_Main.cpp "#include \"../ui/Main.h\"")
write(docs/notes.txt "#include \"../ui/Main.h\"")
check_layers(${WORK_DIR} pass)

write(core/Up.cpp "char open = '['; // ;\n#include <workbench/Workbench.h>\n  #  include  \"workbench/Workbench.h\"")
write(core/Up.hpp "#include <workbench/Workbench.h>")
write(core/Up.INL "#include \"workbench/Workbench.h\"")
write(core/Climb.cpp "#include \"../workbench/Workbench.h\"\n#include \"/usr/include/stdio.h\"")
file(CREATE_LINK ../workbench ${WORK_DIR}/core/workbench SYMBOLIC)
write(ui/model/Qt.h "#include <QString>\n#include \"ui/Main.h\"")
write(extra/Tool.cpp "")
check_layers(${WORK_DIR} fail)
foreach(expected
    "core/Up.cpp:2: core/ may not include workbench/: #include <workbench/Workbench.h>"
    "core/Up.cpp:3: core/ may not include workbench/: #  include  \"workbench/Workbench.h\""
    "core/Up.hpp:1: core/ may not include workbench/"
    "core/Up.INL:1: core/ may not include workbench/"
    "core/Climb.cpp:1: core/ may not climb with .."
    "core/Climb.cpp:2: core/ may not include by an absolute path"
    "core/workbench: a link inside core/"
    "ui/model/Qt.h:1: ui/model/ may not include Qt: #include <QString>"
    "ui/model/Qt.h:2: ui/model/ may not include ui/"
    "extra/: 1 C++ sources in a folder that is no layer")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "The check's message lacks \"${expected}\":\n${output}")
  endif()
endforeach()
if(output MATCHES "Mic\\.h|View\\.h|Main\\.cpp|tests/|build-debug/|docs/")
  message(FATAL_ERROR "The check refused an allowed include:\n${output}")
endif()
