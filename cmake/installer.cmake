# tavoSetup.exe, the program's setup, made with NSIS's makensis from the built
# program (tools/installer/tavora.nsi). Without makensis (tools/setup.sh
# installs Debian's nsis) there is no setup target.
find_program(TAVORA_MAKENSIS makensis)
# A release packs its signed copy of the program and signs the uninstaller
# that makensis writes (tools/release.sh); a plain build packs the program as
# built and leaves the uninstaller unsigned.
set(TAVORA_SETUP_PROGRAM "" CACHE FILEPATH "The program the setup installs; empty: the built tavora.exe")
set(TAVORA_UNINSTALLER_FINALIZE "" CACHE STRING
    "Command makensis runs on the uninstaller it wrote, %1 standing for the file; empty: none")
if(TAVORA_MAKENSIS)
  set(TAVORA_SETUP "${CMAKE_BINARY_DIR}/setup/tavoSetup.exe")
  set(nsi "${CMAKE_SOURCE_DIR}/tools/installer/tavora.nsi")
  set(program "$<TARGET_FILE:tavora>")
  set(program_file)
  if(TAVORA_SETUP_PROGRAM)
    set(program "${TAVORA_SETUP_PROGRAM}")
    set(program_file "${TAVORA_SETUP_PROGRAM}")
  endif()
  set(finalize)
  if(TAVORA_UNINSTALLER_FINALIZE)
    set(finalize "-DUNINSTALLER_FINALIZE=${TAVORA_UNINSTALLER_FINALIZE}")
  endif()
  add_custom_command(
    OUTPUT "${TAVORA_SETUP}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/setup"
    COMMAND "${TAVORA_MAKENSIS}" -V2 -INPUTCHARSET UTF8 "-DVERSION=${TAVORA_VERSION}"
            "-DPROGRAM=${program}" "-DICON=${CMAKE_SOURCE_DIR}/res/tavora.ico"
            "-DOUTFILE=${TAVORA_SETUP}" ${finalize} "${nsi}"
    DEPENDS tavora ${program_file} "${nsi}" "${CMAKE_SOURCE_DIR}/res/tavora.ico"
    COMMENT "Making tavoSetup.exe"
    VERBATIM)
  add_custom_target(tavora_setup ALL DEPENDS "${TAVORA_SETUP}")
else()
  message(STATUS "makensis not found: no tavoSetup.exe")
endif()
