# Writes generated/third_party_notices.txt: the notices of what the program
# ships from others, taken from the installed source packages themselves (the
# copyright lines and the licence of TinyXML's Debian copyright file), for the
# help page to show. Made at configure time, again when the file changes.
set(notices_source "${TINYXML_DIR}/debian/copyright")
if(NOT EXISTS "${notices_source}")
  message(FATAL_ERROR "TinyXML's copyright file not found in ${TINYXML_DIR}/debian; run tools/setup.sh first")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${notices_source}")
file(READ "${notices_source}" copyright)
# The holders of the library's own files: the "Copyright:" fields of the
# paragraphs that name tinyxml.* and tinystr.*, with their continuation lines.
string(REGEX MATCHALL "Files: tiny[a-z]+\\.\\*\nCopyright:[^\n]*(\n [^\n]*)*" holders "${copyright}")
set(notices "TinyXML ${TINYXML_VERSION}\n")
foreach(paragraph IN LISTS holders)
  string(REGEX REPLACE "^Files: [^\n]*\n" "" paragraph "${paragraph}")
  string(REGEX REPLACE "\n +" "\n           " paragraph "${paragraph}")
  string(APPEND notices "${paragraph}\n")
endforeach()
# The licence's own paragraph: indented lines after "License: ZLIB" at the
# start of a line, " ." standing for an empty line.
string(REGEX MATCH "\nLicense: ZLIB\n( [^\n]*\n?)+" licence "${copyright}")
string(REGEX REPLACE "^\nLicense: ZLIB\n" "" licence "${licence}")
string(REGEX REPLACE "(^|\n) \\.(\n|$)" "\\1\\2" licence "${licence}")
string(REGEX REPLACE "(^|\n) " "\\1" licence "${licence}")
if(NOT licence MATCHES "This software is provided 'as-is'")
  message(FATAL_ERROR "TinyXML's licence text was not found in ${notices_source}")
endif()
string(APPEND notices "\nzlib License\n\n${licence}")
file(CONFIGURE OUTPUT "${TAVORA_GENERATED_DIR}/third_party_notices.txt" CONTENT "${notices}" @ONLY)
