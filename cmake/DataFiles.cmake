# The data files the programs read at run time. In the build tree each program finds them beside
# itself; installed, under ../share/marklens from bin/ (browser/datafilelookup.h). A data file
# another folder adds goes on this list.
set(MARKLENS_DATA_FILES ${PROJECT_SOURCE_DIR}/probe/marklens-probe.js)
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/attribs.xml)
  list(APPEND MARKLENS_DATA_FILES ${PROJECT_SOURCE_DIR}/resources/attribs.xml)
endif()

# Copies every data file beside the target's executable whenever one changes.
function(marklens_data_beside target)
  get_target_property(dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT dir)
    get_target_property(dir ${target} BINARY_DIR)
  endif()
  get_property(done DIRECTORY PROPERTY MARKLENS_DATA_COPIES)
  foreach(file ${MARKLENS_DATA_FILES})
    get_filename_component(name ${file} NAME)
    set(copy ${dir}/${name})
    if(NOT copy IN_LIST done)
      add_custom_command(OUTPUT ${copy}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${copy}
        DEPENDS ${file}
        COMMENT "Copying ${name} beside ${target}")
      set_property(DIRECTORY APPEND PROPERTY MARKLENS_DATA_COPIES ${copy})
    endif()
    target_sources(${target} PRIVATE ${copy})
  endforeach()
endfunction()
