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

# link-uninst.sh DATA OUT.EXE: uninst.exe carrying DATA as its data resource (type 256,
# id 13000), for tests that run it before `zep pack` writes that resource.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/link-uninst.sh CONTENT "#!/bin/sh
set -e
out=$(cd \"$(dirname \"$2\")\" && pwd)/$(basename \"$2\")
tmp=$(mktemp -d)
trap 'rm -rf \"$tmp\"' EXIT
cp \"$1\" \"$tmp/uninst.dat\"
printf '#include \"uninst.rc\"\\n13000 256 \"uninst.dat\"\\n' > \"$tmp/data.rc\"
cd \"$tmp\"
\"${CMAKE_RC_COMPILER}\" -I \"${CMAKE_CURRENT_SOURCE_DIR}/resources\" -I . -O coff -i data.rc -o data.res.o
\"${CMAKE_CXX_COMPILER}\" -mwindows ${zep_link_flags} -o \"$out\" \"$<JOIN:$<TARGET_OBJECTS:uninst_stub>,\" \">\" data.res.o \"$<TARGET_FILE:zep_uninstall>\" \"$<TARGET_FILE:zep_logic>\" ${zep_lib_flags}
" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
