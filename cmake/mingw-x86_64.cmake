# Cross toolchain for the 64-bit Windows test build: the Win32 code paths
# under 64-bit Wine, for machines that cannot run 32-bit programs. Never
# shipped: the product is the 32-bit kvel.tpl of cmake/mingw-i686.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
