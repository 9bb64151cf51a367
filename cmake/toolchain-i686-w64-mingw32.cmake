# Cross build for 32-bit Windows (Debian's g++-mingw-w64-i686): the product.
set(KV_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
