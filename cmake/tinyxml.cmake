# TinyXML 2.6.2 as Debian ships it (with Debian's patches applied); tools/setup.sh
# unpacks the source package into TAVORA_DEPS_DIR. Built as a static library with
# the library's own settings.
set(TAVORA_DEPS_DIR "${CMAKE_SOURCE_DIR}/.deps" CACHE PATH "Folder holding unpacked dependency sources")
set(TINYXML_DIR "${TAVORA_DEPS_DIR}/tinyxml-2.6.2")
if(NOT EXISTS "${TINYXML_DIR}/tinyxml.h")
  message(FATAL_ERROR "TinyXML source not found in ${TINYXML_DIR}; run tools/setup.sh first")
endif()
add_library(tinyxml STATIC
  ${TINYXML_DIR}/tinystr.cpp
  ${TINYXML_DIR}/tinyxml.cpp
  ${TINYXML_DIR}/tinyxmlerror.cpp
  ${TINYXML_DIR}/tinyxmlparser.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_DIR})
# Third-party code: keep our warning flags away from it.
target_compile_options(tinyxml PRIVATE -w)
