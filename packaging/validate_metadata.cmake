# The desktop entry and the AppStream metadata pass their validators (a warning is no failure;
# an error is). Run by CTest: cmake -DDFV=... -DASCLI=... -DDIR=... -P validate_metadata.cmake
foreach(tool DFV ASCLI)
  if(NOT ${tool} OR NOT EXISTS "${${tool}}")
    message(FATAL_ERROR "validator ${tool} not found: install desktop-file-utils and appstream")
  endif()
endforeach()
execute_process(COMMAND ${DFV} ${DIR}/org.moneko.Moneko.desktop RESULT_VARIABLE dfv OUTPUT_VARIABLE out ERROR_VARIABLE out)
message("${out}")
if(NOT dfv EQUAL 0 OR out MATCHES "error:")
  message(FATAL_ERROR "desktop-file-validate failed")
endif()
execute_process(COMMAND ${ASCLI} validate --no-net ${DIR}/org.moneko.Moneko.metainfo.xml RESULT_VARIABLE asv
                OUTPUT_VARIABLE out ERROR_VARIABLE out)
message("${out}")
if(NOT asv EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate failed")
endif()
