# Cross-compiling for 64-bit Windows with Debian's mingw-w64, the posix-threads
# compiler (the win32-threads one has no std::mutex or std::thread). Programs
# are linked statically, so an .exe needs no DLLs beside it; tests and other
# programs the build runs go through Wine (scripts/wine-run.sh). ccache, when
# present, is put in front of the compiler by the top-level CMakeLists.txt.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HALYARD_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HALYARD_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALYARD_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HALYARD_MINGW_TRIPLET}-windres)

# Libraries and headers from the mingw-w64 tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${HALYARD_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
