# The engine's own tests on the WebAssembly build, run by node with the real file system
# (the examples and the tests' temporary files). GoogleTest is built from Debian's sources
# with emcc. Left out: the tests of programs (mic1, quorc, the desktop files), the layer
# checks (the native build runs them) and the web binding's (run natively), and the tests
# below that start a program or need a user's file permissions, which node cannot give.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gtest_main PRIVATE -Wno-error)

add_link_options(-sENVIRONMENT=node -sNODERAWFS=1)
set(TARVENO_NATIVE_ONLY_TESTS cli desktop layers web)
