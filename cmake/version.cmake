# Writes generated/tavora_build.h: the program's version in the forms its
# users need, and the public key downloaded setups must be signed with.
#
# TAVORA_UPDATE_PUBLIC_KEY, 128 hexadecimal digits (X then Y of a P-256
# point), replaces the release key built into app/update/update_signature.cpp; a
# release signed with another key carries that key's public half, so that it
# accepts the updates signed the same way. Empty: the release key.
set(TAVORA_UPDATE_PUBLIC_KEY "" CACHE STRING "Public key of the update signatures, 128 hex digits; empty: the release key")

set(TAVORA_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${PROJECT_VERSION_TWEAK}")
set(TAVORA_UPDATE_KEY_BYTES "")
set(TAVORA_HAS_BUILD_KEY OFF)
if(TAVORA_UPDATE_PUBLIC_KEY)
  if(NOT TAVORA_UPDATE_PUBLIC_KEY MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "TAVORA_UPDATE_PUBLIC_KEY holds something other than hexadecimal digits")
  endif()
  string(LENGTH "${TAVORA_UPDATE_PUBLIC_KEY}" key_digits)
  if(NOT key_digits EQUAL 128)
    message(FATAL_ERROR "TAVORA_UPDATE_PUBLIC_KEY must be 128 hexadecimal digits, not ${key_digits}")
  endif()
  set(TAVORA_HAS_BUILD_KEY ON)
  string(REGEX REPLACE "([0-9A-Fa-f][0-9A-Fa-f])" "0x\\1," TAVORA_UPDATE_KEY_BYTES "${TAVORA_UPDATE_PUBLIC_KEY}")
endif()

set(TAVORA_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_SOURCE_DIR}/cmake/tavora_build.h.in" "${TAVORA_GENERATED_DIR}/tavora_build.h" @ONLY)
include_directories("${TAVORA_GENERATED_DIR}")
