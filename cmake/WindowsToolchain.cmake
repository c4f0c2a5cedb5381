# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (posix threads,
# which Qt's threads need) against the Qt for Windows that
# tools/windows_sdk.sh unpacks or builds. moc, uic and rcc come from the
# build machine's Qt of the same version.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(DEFINED ENV{QUOTARIUM_WINDOWS_SDK_CACHE})
    set(_sdk_cache "$ENV{QUOTARIUM_WINDOWS_SDK_CACHE}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_sdk_cache "$ENV{XDG_CACHE_HOME}/quotarium")
else()
    set(_sdk_cache "$ENV{HOME}/.cache/quotarium")
endif()
set(QUOTARIUM_WINDOWS_SDK "${_sdk_cache}/qt6-mingw" CACHE PATH
    "Qt for Windows to build against (tools/windows_sdk.sh puts it in its default place)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUOTARIUM_WINDOWS_SDK)
if(NOT EXISTS "${QUOTARIUM_WINDOWS_SDK}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "No Qt for Windows in ${QUOTARIUM_WINDOWS_SDK}: run tools/windows_sdk.sh "
                        "(with the SDK archive, or without to build it), or set QUOTARIUM_WINDOWS_SDK.")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${QUOTARIUM_WINDOWS_SDK}")
set(CMAKE_PREFIX_PATH "${QUOTARIUM_WINDOWS_SDK}")
set(QT_HOST_PATH /usr CACHE PATH "The build machine's Qt, for moc, uic and rcc")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
