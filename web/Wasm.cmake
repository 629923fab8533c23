# The WebAssembly build of the web workbench, with emcc (./build.sh web): the same sources
# as the native build, without the window, the benchmarks and mic1, which stay native.
# Failures in the engine are exceptions: they are WebAssembly's own here, so that a Run pays
# nothing for them, as natively (exceptions emulated in JavaScript would wrap every call
# that may throw).
set(TARVENO_BUILD_UI OFF CACHE BOOL "Build the workbench window (needs Qt 6)" FORCE)
set(TARVENO_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks (needs Google Benchmark)" FORCE)
add_compile_options(-fwasm-exceptions)
add_link_options(-fwasm-exceptions -sALLOW_MEMORY_GROWTH=1)
