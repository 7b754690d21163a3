# The host compiles setup.rc with the MinGW resource compiler, so the simulated platform
# reads the very templates and strings that ship.
find_program(ZEP_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres)
if(NOT ZEP_WINDRES)
  message(FATAL_ERROR "x86_64-w64-mingw32-windres not found: install the Debian package "
                      "binutils-mingw-w64-x86-64 (scripts/build.sh does this)")
endif()
set(ZEP_SETUP_RES ${CMAKE_BINARY_DIR}/setup.res CACHE INTERNAL "")
add_custom_command(OUTPUT ${ZEP_SETUP_RES}
  COMMAND ${ZEP_WINDRES} -I ${CMAKE_CURRENT_SOURCE_DIR}/resources -O res
          -i ${CMAKE_CURRENT_SOURCE_DIR}/resources/setup.rc -o ${ZEP_SETUP_RES}
  DEPENDS resources/setup.rc resources/zep.ico resources/fonts.bmp
  VERBATIM)
add_custom_target(setup_res ALL DEPENDS ${ZEP_SETUP_RES})

# uninst.exe's templates and strings, for the uninstaller run on the simulated platform.
set(ZEP_UNINST_RES ${CMAKE_BINARY_DIR}/uninst.res CACHE INTERNAL "")
add_custom_command(OUTPUT ${ZEP_UNINST_RES}
  COMMAND ${ZEP_WINDRES} -I ${CMAKE_CURRENT_SOURCE_DIR}/resources -O res
          -i ${CMAKE_CURRENT_SOURCE_DIR}/resources/uninst.rc -o ${ZEP_UNINST_RES}
  DEPENDS resources/uninst.rc resources/zep.ico
  VERBATIM)
add_custom_target(uninst_res ALL DEPENDS ${ZEP_UNINST_RES})
