# setup.exe: no C runtime, no exceptions, no RTTI; imports system DLLs only.
set(ZEP_STUB_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-unwind-tables -ffunction-sections -fdata-sections -fno-stack-protector
    -fno-threadsafe-statics -Wall -Wextra)
target_compile_options(zep_logic PRIVATE ${ZEP_STUB_FLAGS})

add_executable(setup WIN32
  platform/win32/crt.cpp
  platform/win32/entry.cpp
  platform/win32/win32_platform.cpp
  resources/setup.rc)
target_compile_options(setup PRIVATE ${ZEP_STUB_FLAGS})
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
target_link_options(setup PRIVATE -nostdlib -Wl,-e,${ZEP_ENTRY} -Wl,--gc-sections -s)
target_link_libraries(setup PRIVATE zep_logic kernel32 user32 gdi32 advapi32 shell32 lz32 gcc)
set_target_properties(setup PROPERTIES OUTPUT_NAME setup)

add_custom_command(TARGET setup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:setup> -DLABEL=${CMAKE_SYSTEM_PROCESSOR}
          -P ${PROJECT_SOURCE_DIR}/cmake/print-size.cmake
  VERBATIM)
