# 64-bit Windows programs. Not shipped: the Windows tests run them under 64-bit Wine on
# machines that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
