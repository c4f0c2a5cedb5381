# Builds the Debian package from a build tree and checks what it holds: the
# program in /usr/bin, its menu entry, AppStream data and icons, each icon the
# size its folder names, and dependencies read from the program.
#   cmake -DBUILD_DIR=<build tree> -DOUT_DIR=<folder for the package>
#         -DCPACK=<cpack> -DAPP_ID=<id> -DICON_SIZES=<16,24,...> -P CheckDeb.cmake
string(REPLACE "," ";" ICON_SIZES "${ICON_SIZES}")
file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${OUT_DIR}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB debs "${OUT_DIR}/quotarium_*.deb")
list(LENGTH debs count)
if(NOT result EQUAL 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "cpack -G DEB made ${count} packages (exit ${result}):\n${output}")
endif()

set(root "${OUT_DIR}/root")
execute_process(COMMAND dpkg-deb -x "${debs}" "${root}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb -x failed: ${result}")
endif()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${root}" "${root}/*")
set(expected usr/bin/quotarium
    usr/share/applications/${APP_ID}.desktop
    usr/share/metainfo/${APP_ID}.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/quotarium.svg)
foreach(size IN LISTS ICON_SIZES)
    list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/quotarium.png)
    # A PNG names its width and height right after its signature.
    file(READ "${root}/usr/share/icons/hicolor/${size}x${size}/apps/quotarium.png" header
        OFFSET 16 LIMIT 8 HEX)
    string(SUBSTRING "${header}" 0 8 width)
    string(SUBSTRING "${header}" 8 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT width EQUAL size OR NOT height EQUAL size)
        message(FATAL_ERROR "The ${size}x${size} icon is ${width}x${height} pixels")
    endif()
endforeach()
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "The package holds\n  ${installed}\nbut should hold\n  ${expected}")
endif()

execute_process(COMMAND dpkg-deb -f "${debs}" Depends OUTPUT_VARIABLE depends)
foreach(library libqt6widgets6 libqt6network6 libc6)
    if(NOT depends MATCHES "(^|, )${library} \\(>= ")
        message(FATAL_ERROR "The package's dependencies miss ${library}: ${depends}")
    endif()
endforeach()
