# setup.exe: no C runtime, no exceptions, no RTTI; imports system DLLs only.
set(ZEP_STUB_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-unwind-tables -ffunction-sections -fdata-sections -fno-stack-protector
    -fno-threadsafe-statics -Wall -Wextra)
target_compile_options(zep_logic PRIVATE ${ZEP_STUB_FLAGS})

add_library(setup_stub OBJECT
  platform/win32/crt.cpp
  platform/win32/entry.cpp
  platform/win32/win32_platform.cpp)
target_compile_options(setup_stub PRIVATE ${ZEP_STUB_FLAGS})
target_link_libraries(setup_stub PRIVATE zep_logic)
add_executable(setup WIN32 $<TARGET_OBJECTS:setup_stub> resources/setup.rc)
# The runtime's own loops must not be turned back into calls to themselves.
set_source_files_properties(platform/win32/crt.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-builtin;-fno-tree-loop-distribute-patterns")
set_source_files_properties(resources/setup.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/resources/zep.ico;${CMAKE_CURRENT_SOURCE_DIR}/resources/fonts.bmp")

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(ZEP_ENTRY _ZepEntry)
  # Windows 95 loads nothing newer than subsystem 4.0.
  target_link_options(setup PRIVATE -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
                      -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
else()
  set(ZEP_ENTRY ZepEntry)
endif()
# No build time in the header: the same source gives the same setup.exe.
set(ZEP_STUB_LINK -nostdlib -Wl,-e,${ZEP_ENTRY} -Wl,--gc-sections -Wl,--no-insert-timestamp -s)
set(ZEP_STUB_LIBS kernel32 user32 gdi32 advapi32 shell32 lz32 gcc)
target_link_options(setup PRIVATE ${ZEP_STUB_LINK})
target_link_libraries(setup PRIVATE zep_logic ${ZEP_STUB_LIBS})
set_target_properties(setup PROPERTIES OUTPUT_NAME setup)

add_custom_command(TARGET setup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:setup> -DLABEL=${CMAKE_SYSTEM_PROCESSOR}
          -P ${PROJECT_SOURCE_DIR}/cmake/print-size.cmake
  VERBATIM)

