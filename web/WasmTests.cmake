# The engine's own tests on the WebAssembly build, run by node with the real file system
# (the examples and the tests' temporary files). GoogleTest is built from Debian's sources
# with emcc. Left out: the tests of programs (mic1, quorc, the desktop files), the layer
# checks (the native build runs them) and the web binding's (run natively), and the few
# tests named at the end, which start a thread or a program.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gtest_main PRIVATE -Wno-error)

add_link_options(-sENVIRONMENT=node -sNODERAWFS=1)
set(TARVENO_NATIVE_ONLY_TESTS cli desktop layers web)

# Tests that start a thread or a program: node's WebAssembly has neither.
file(WRITE ${CMAKE_BINARY_DIR}/CTestCustom.cmake
  "set(CTEST_CUSTOM_TESTS_IGNORE Machine.RunThatNeverHaltsEndsAtItsBoundOrOnRequest\n"
  "  Quorc.ReportAndExitStatus Quorc.BadInputGivesAReport)\n")

# The tests' own code is compiled and linked for a short build rather than for speed: the
# libraries under test are the site's, at its optimisation.
add_compile_options(-O1)
add_link_options(-O1)
