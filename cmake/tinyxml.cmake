# TinyXML as Debian ships it (with Debian's patches applied): tools/setup.sh
# unpacks the source package into TAVORA_DEPS_DIR. Our build copies the sources
# into the build folder, applies tinyxml-limits.patch (the parser bounds element
# nesting and attributes per element itself) and builds a static library with
# the library's own settings.
# The same folder tools/setup.sh fills: TAVORA_DEPS_DIR from the environment
# when set, else .deps in the source tree.
if(DEFINED ENV{TAVORA_DEPS_DIR})
  set(_tavora_deps_default "$ENV{TAVORA_DEPS_DIR}")
else()
  set(_tavora_deps_default "${CMAKE_SOURCE_DIR}/.deps")
endif()
set(TAVORA_DEPS_DIR "${_tavora_deps_default}" CACHE PATH "Folder holding unpacked dependency sources")
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/tinyxml-version" TINYXML_VERSION LIMIT_COUNT 1)
set(TINYXML_DIR "${TAVORA_DEPS_DIR}/tinyxml-${TINYXML_VERSION}")
set(TINYXML_PATCH "${CMAKE_CURRENT_LIST_DIR}/tinyxml-limits.patch")
set(TINYXML_FILES tinystr.cpp tinystr.h tinyxml.cpp tinyxml.h tinyxmlerror.cpp tinyxmlparser.cpp)
if(NOT EXISTS "${TINYXML_DIR}/tinyxml.h")
  message(FATAL_ERROR "TinyXML source not found in ${TINYXML_DIR}; run tools/setup.sh first")
endif()
find_program(PATCH_EXECUTABLE patch REQUIRED)

# Patched anew whenever the patch or an original changes (they are configure
# dependencies).
set(TINYXML_PATCHED_DIR "${CMAKE_BINARY_DIR}/tinyxml-${TINYXML_VERSION}")
set(originals "")
foreach(file IN LISTS TINYXML_FILES)
  list(APPEND originals "${TINYXML_DIR}/${file}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${originals} "${TINYXML_PATCH}")
# A stamp of what the patched copy was made from: an unchanged copy keeps its
# timestamps, so other reconfigurations do not rebuild the library.
set(stamp "")
foreach(file IN LISTS originals TINYXML_PATCH)
  file(SHA256 "${file}" hash)
  string(APPEND stamp "${hash}\n")
endforeach()
set(stamp_file "${TINYXML_PATCHED_DIR}/.patched-from")
set(previous_stamp "")
if(EXISTS "${stamp_file}")
  file(READ "${stamp_file}" previous_stamp)
endif()
if(NOT previous_stamp STREQUAL stamp)
  file(REMOVE_RECURSE "${TINYXML_PATCHED_DIR}")
  file(COPY ${originals} DESTINATION "${TINYXML_PATCHED_DIR}")
  execute_process(COMMAND "${PATCH_EXECUTABLE}" -s -p1 -i "${TINYXML_PATCH}"
                  WORKING_DIRECTORY "${TINYXML_PATCHED_DIR}" RESULT_VARIABLE patched)
  if(NOT patched EQUAL 0)
    message(FATAL_ERROR "tinyxml-limits.patch does not apply to ${TINYXML_DIR}")
  endif()
  file(WRITE "${stamp_file}" "${stamp}")
endif()

add_library(tinyxml STATIC
  ${TINYXML_PATCHED_DIR}/tinystr.cpp
  ${TINYXML_PATCHED_DIR}/tinyxml.cpp
  ${TINYXML_PATCHED_DIR}/tinyxmlerror.cpp
  ${TINYXML_PATCHED_DIR}/tinyxmlparser.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_PATCHED_DIR})
# Third-party code: keep our warning flags away from it.
target_compile_options(tinyxml PRIVATE -w)
