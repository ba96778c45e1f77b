# tavoSetup.exe, the program's setup, made with NSIS's makensis from the built
# program (tools/installer/tavora.nsi). Without makensis (tools/setup.sh
# installs Debian's nsis) there is no setup target.
find_program(TAVORA_MAKENSIS makensis)
if(TAVORA_MAKENSIS)
  set(TAVORA_SETUP "${CMAKE_BINARY_DIR}/setup/tavoSetup.exe")
  set(nsi "${CMAKE_SOURCE_DIR}/tools/installer/tavora.nsi")
  add_custom_command(
    OUTPUT "${TAVORA_SETUP}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/setup"
    COMMAND "${TAVORA_MAKENSIS}" -V2 -INPUTCHARSET UTF8 "-DVERSION=${TAVORA_VERSION}"
            "-DPROGRAM=$<TARGET_FILE:tavora>" "-DICON=${CMAKE_SOURCE_DIR}/res/tavora.ico"
            "-DOUTFILE=${TAVORA_SETUP}" "${nsi}"
    DEPENDS tavora "${nsi}" "${CMAKE_SOURCE_DIR}/res/tavora.ico"
    COMMENT "Making tavoSetup.exe"
    VERBATIM)
  add_custom_target(tavora_setup ALL DEPENDS "${TAVORA_SETUP}")
else()
  message(STATUS "makensis not found: no tavoSetup.exe")
endif()
