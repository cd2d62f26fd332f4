# What both MinGW-w64 toolchain files share; each sets TOOLCHAIN_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
# The thread model: posix (the default) for the trees with the tests, since
# GoogleTest needs std::mutex (winpthread is linked statically); win32 for the
# shipped program, which then imports nothing newer than its oldest Windows.
if(NOT QAV_THREAD_MODEL)
  set(QAV_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QAV_THREAD_MODEL)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-${QAV_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${QAV_THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
