# Makes a delay-import library from a MinGW-w64 import library (run with
# cmake -P by the rules of cmake/dll_loading.cmake):
#   -DNM=... -DDLLTOOL=... -DOBJDUMP=... -DOBJCOPY=... -DIMPORT_LIBRARY=libX.a
#   -DDLL=x.dll -DWORK_DIR=... -DOUTPUT=libX.a
# WORK_DIR receives the .def and dlltool's temporary files; OUTPUT is a file
# name in the current folder (dlltool names the library's internal symbols
# after it, so it holds no path of the build).
#
# The import library names every export as the symbol __imp_<symbol>, where
# <symbol> is the C name with its leading underscore and, for stdcall
# functions, "@<bytes>"; the DLL exports the name without either. The .def
# written here lists each symbol without the underscore, and dlltool's
# --kill-at drops the "@<bytes>" from the imported name. Members without a
# thunk are data, which cannot be delay-loaded: they are listed as DATA so
# that a use of one fails to link instead of reading a wrong address.
#
# Each member of dlltool's delay-import library keeps the function's jump
# stub ("_InternetOpenW@20") and the code the import address slot first
# points to (which calls the delay-load helper) in one section. GNU ld drops
# the code section of an import library member whose stub symbol nobody
# references (ld/emultempl/pe.em, after_open), which is every function our
# code calls through __imp_ as the Windows headers declare it: the slot would
# then point to address 0. Making the stub symbols local keeps ld from
# matching them, so the section stays; nothing of ours calls a stub by name
# (a call that did would fail to link, not misbehave).
foreach(variable NM DLLTOOL OBJDUMP OBJCOPY IMPORT_LIBRARY DLL WORK_DIR OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "delay_import_library.cmake: ${variable} is not set")
  endif()
endforeach()

execute_process(COMMAND "${NM}" -A --defined-only "${IMPORT_LIBRARY}"
  OUTPUT_VARIABLE symbols RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIBRARY}: ${errors}")
endif()

# "<archive>:<member>:<value> <type> <name>" per line.
string(REPLACE "\n" ";" lines "${symbols}")
set(imports "")
foreach(line IN LISTS lines)
  if(line MATCHES ":([^:]+):[0-9a-fA-F]+ (.) (.+)$")
    set(member "${CMAKE_MATCH_1}")
    set(type "${CMAKE_MATCH_2}")
    set(name "${CMAKE_MATCH_3}")
    if(name MATCHES "^__imp__(.+)$")
      list(APPEND imports "${member}|${CMAKE_MATCH_1}")
    elseif(type STREQUAL "T")
      set("thunk_${member}" TRUE)
    endif()
  endif()
endforeach()
list(LENGTH imports import_count)
if(import_count EQUAL 0)
  message(FATAL_ERROR "${IMPORT_LIBRARY} names no imports")
endif()

# Each import by name has a hint/name entry (.idata$6); an import by ordinal
# has none and its name in the import library says nothing about the DLL.
execute_process(COMMAND "${OBJDUMP}" -h "${IMPORT_LIBRARY}"
  OUTPUT_VARIABLE sections RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} could not read ${IMPORT_LIBRARY}: ${errors}")
endif()
string(REGEX MATCHALL "\\.idata\\$6" names_by_name "${sections}")
list(LENGTH names_by_name by_name_count)
if(NOT by_name_count EQUAL import_count)
  math(EXPR by_ordinal "${import_count} - ${by_name_count}")
  message(FATAL_ERROR "${IMPORT_LIBRARY} imports ${by_ordinal} of its ${import_count} names by ordinal; "
                      "this generator only reads imports by name")
endif()

set(def "LIBRARY \"${DLL}\"\nEXPORTS\n")
set(stubs "")
foreach(import IN LISTS imports)
  string(REPLACE "|" ";" parts "${import}")
  list(GET parts 0 member)
  list(GET parts 1 name)
  if(DEFINED "thunk_${member}")
    string(APPEND def "${name}\n")
    string(APPEND stubs "_${name}\n")
  else()
    string(APPEND def "${name} DATA\n")
  endif()
endforeach()
get_filename_component(stem "${OUTPUT}" NAME_WE)
set(def_file "${WORK_DIR}/${stem}.def")
set(stubs_file "${WORK_DIR}/${stem}.stubs")
file(WRITE "${def_file}" "${def}")
file(WRITE "${stubs_file}" "${stubs}")

execute_process(COMMAND "${DLLTOOL}" --input-def "${def_file}" --dllname "${DLL}" --kill-at
                        --temp-prefix "${WORK_DIR}/${stem}" --output-delaylib "${OUTPUT}"
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}: ${errors}")
endif()
execute_process(COMMAND "${OBJCOPY}" "--localize-symbols=${stubs_file}" "${OUTPUT}"
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJCOPY} could not keep the delay-load code of ${OUTPUT}: ${errors}")
endif()
