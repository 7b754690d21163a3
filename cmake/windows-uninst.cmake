# uninst.exe: the uninstaller, built as setup.exe is (no C runtime, system DLLs only) from
# the uninstaller's logic, the same Win32 layer and uninst.rc.
target_compile_options(zep_uninstall PRIVATE ${ZEP_STUB_FLAGS})

add_library(uninst_stub OBJECT
  platform/win32/crt.cpp
  platform/win32/uninst_entry.cpp
  platform/win32/win32_platform.cpp)
target_compile_options(uninst_stub PRIVATE ${ZEP_STUB_FLAGS})
target_link_libraries(uninst_stub PRIVATE zep_uninstall)
add_executable(uninst WIN32 $<TARGET_OBJECTS:uninst_stub> resources/uninst.rc)
set_source_files_properties(resources/uninst.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/resources/zep.ico")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_link_options(uninst PRIVATE -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
                      -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
endif()
target_link_options(uninst PRIVATE ${ZEP_STUB_LINK})
target_link_libraries(uninst PRIVATE zep_uninstall zep_logic ${ZEP_STUB_LIBS})
set_target_properties(uninst PROPERTIES OUTPUT_NAME uninst)
add_custom_command(TARGET uninst POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:uninst> -DLABEL=${CMAKE_SYSTEM_PROCESSOR}
          -P ${PROJECT_SOURCE_DIR}/cmake/print-size.cmake
  VERBATIM)
