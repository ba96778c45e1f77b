# The programs we ship take DLLs only from the system folder (docs/
# architecture.md, "DLL loading"). At process start they import only kernel32
# and msvcrt, known DLLs that the C runtime needs before any code of ours
# runs; every other DLL they link is delay-loaded, so that it loads only
# after their entry point (app/platform/dll_search.h) has restricted the DLL
# search to the system folder.
#
# The DLLs delay-loaded, by the name they are linked with. A folder that
# starts to link another DLL adds its name here (tests/app/entry/
# planted_dlls_test.py fails on any other DLL in a program's import table).
set(TAVORA_DELAY_LOADED_DLLS
  advapi32
  bcrypt
  comctl32
  comdlg32
  gdi32
  gdiplus
  oleacc
  ole32
  oleaut32
  shell32
  shlwapi
  user32
  wininet)

# A delay-import library for each of them, made at build time from
# MinGW-w64's import library of the same name (cmake/delay_import_library.cmake)
# and named like it: a program that searches this folder first links
# "-lwininet" (from any library it uses) against the delay-import library.
set(TAVORA_DELAY_IMPORT_DIR "${CMAKE_BINARY_DIR}/delay-import")
file(MAKE_DIRECTORY "${TAVORA_DELAY_IMPORT_DIR}/work")
foreach(tool IN ITEMS NM OBJDUMP OBJCOPY DLLTOOL)
  if(NOT CMAKE_${tool})
    message(FATAL_ERROR "The toolchain has no ${tool}, which the delay-import libraries are made with")
  endif()
endforeach()
set(TAVORA_DELAY_IMPORT_LIBRARIES "")
foreach(dll IN LISTS TAVORA_DELAY_LOADED_DLLS)
  find_library(TAVORA_IMPORT_LIBRARY_${dll} NAMES lib${dll}.a REQUIRED NO_CMAKE_PATH NO_CMAKE_ENVIRONMENT_PATH)
  set(output "${TAVORA_DELAY_IMPORT_DIR}/lib${dll}.a")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" "-DNM=${CMAKE_NM}" "-DOBJDUMP=${CMAKE_OBJDUMP}" "-DOBJCOPY=${CMAKE_OBJCOPY}"
            "-DDLLTOOL=${CMAKE_DLLTOOL}" "-DIMPORT_LIBRARY=${TAVORA_IMPORT_LIBRARY_${dll}}" "-DDLL=${dll}.dll"
            "-DWORK_DIR=${TAVORA_DELAY_IMPORT_DIR}/work" "-DOUTPUT=lib${dll}.a"
            -P "${CMAKE_SOURCE_DIR}/cmake/delay_import_library.cmake"
    WORKING_DIRECTORY "${TAVORA_DELAY_IMPORT_DIR}"
    DEPENDS "${TAVORA_IMPORT_LIBRARY_${dll}}" "${CMAKE_SOURCE_DIR}/cmake/delay_import_library.cmake"
    COMMENT "Making the delay-import library of ${dll}.dll"
    VERBATIM)
  list(APPEND TAVORA_DELAY_IMPORT_LIBRARIES "${output}")
endforeach()
add_custom_target(tavora_delay_import_libraries DEPENDS ${TAVORA_DELAY_IMPORT_LIBRARIES})

# Makes `target`, a program we ship (KIND: WINDOWS or CONSOLE), start by
# restricting the DLL search and delay-load the DLLs above.
function(tavora_system_dlls_only target kind)
  if(kind STREQUAL "WINDOWS")
    set(start TavoraWindowsStart)
  elseif(kind STREQUAL "CONSOLE")
    set(start TavoraConsoleStart)
  else()
    message(FATAL_ERROR "tavora_system_dlls_only: KIND is WINDOWS or CONSOLE, not '${kind}'")
  endif()
  # The entry point lives in tavora_platform (app/platform/dll_search.cpp),
  # from which --undefined pulls it; i686 C names carry a leading underscore.
  target_link_libraries(${target} PRIVATE tavora_platform)
  target_link_options(${target} PRIVATE "-Wl,--entry=_${start}" "-Wl,--undefined=_${start}")
  target_link_directories(${target} BEFORE PRIVATE "${TAVORA_DELAY_IMPORT_DIR}")
  add_dependencies(${target} tavora_delay_import_libraries)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TAVORA_DELAY_IMPORT_LIBRARIES})
endfunction()
