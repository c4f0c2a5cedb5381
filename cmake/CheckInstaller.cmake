# Makes the Windows installer from a build tree and checks the face it shows
# before it runs: a 64-bit GUI program with an icon, a manifest and version
# information in Simplified Chinese that names the product and the project's
# version.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch folder> -DSETUP=<file name>
#         -DVERSION=<x.y.z> -DOBJDUMP=<the mingw objdump> -P CheckInstaller.cmake
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
if(NOT EXISTS "${BUILD_DIR}/quotarium.nsi")
    message(FATAL_ERROR "No installer script in ${BUILD_DIR}")
endif()
get_filename_component(cmake_bin "${CMAKE_COMMAND}" DIRECTORY)
execute_process(COMMAND "${cmake_bin}/cpack" -G External --config "${BUILD_DIR}/CPackConfig.cmake"
                        -B "${WORK_DIR}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
set(setup "${WORK_DIR}/${SETUP}")
if(NOT result EQUAL 0 OR NOT EXISTS "${setup}")
    message(FATAL_ERROR "cpack did not make ${SETUP} (is makensis, Debian's nsis, installed?): "
                        "${result}\n${output}")
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${setup}" OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT table MATCHES "\nMagic[ \t]+020b" OR NOT table MATCHES "\nSubsystem[ \t]+00000002")
    message(FATAL_ERROR "${SETUP} is not a 64-bit Windows GUI program")
endif()
# Icon group (0x0e), version information (0x10), manifest (0x18).
foreach(type 0e 10 18)
    if(NOT table MATCHES "\n[0-9a-f]+   Entry: ID: 0x0000${type},")
        message(FATAL_ERROR "${SETUP} lacks the resource of type 0x${type}")
    endif()
endforeach()

# The resources are in the stub, ahead of the compressed files.
file(READ "${setup}" bytes LIMIT 1048576 HEX)
function(utf16 text out)
    string(HEX "${text}" hex)
    string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
    set(${out} "${hex}" PARENT_SCOPE)
endfunction()
# A string of the version information: its key, the padding that aligns the
# value to four bytes, then the value with its terminating zero.
function(expect_string key value)
    utf16("${key}" key_hex)
    utf16("${value}" value_hex)
    if(NOT bytes MATCHES "${key_hex}0000(0000)?${value_hex}0000")
        message(FATAL_ERROR "${SETUP}'s version information lacks ${key} \"${value}\"")
    endif()
endfunction()

# VS_FIXEDFILEINFO: its signature, the structure's version, then the file's
# and the product's version as two little-endian words each.
string(REGEX REPLACE "\\." ";" parts "${VERSION}")
list(GET parts 0 major)
list(GET parts 1 minor)
list(GET parts 2 patch)
set(words "")
foreach(number ${minor} ${major} 0 ${patch})
    math(EXPR number "${number}" OUTPUT_FORMAT HEXADECIMAL)
    string(SUBSTRING "${number}" 2 -1 number)
    string(LENGTH "${number}" length)
    while(length LESS 4)
        string(PREPEND number "0")
        math(EXPR length "${length} + 1")
    endwhile()
    string(REGEX REPLACE "^(..)(..)$" "\\2\\1" number "${number}")
    string(APPEND words "${number}")
endforeach()
string(TOLOWER "${words}" words)
if(NOT bytes MATCHES "bd04effe........${words}${words}")
    message(FATAL_ERROR "${SETUP}'s version numbers are not ${VERSION}.0")
endif()
utf16("080404b0" chinese)
if(NOT bytes MATCHES "${chinese}")
    message(FATAL_ERROR "${SETUP}'s version information is not in Simplified Chinese")
endif()
expect_string(ProductName Quotarium)
expect_string(ProductVersion "V${VERSION}")
expect_string(FileVersion "${VERSION}")
expect_string(OriginalFilename "${SETUP}")
file(REMOVE_RECURSE "${WORK_DIR}")
