# Cross build for 64-bit Windows (Debian's g++-mingw-w64-x86-64): the same sources,
# so that the Windows tests run under 64-bit Wine where 32-bit programs cannot run.
set(KV_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
