# The attribute catalog lives beside every program that shows or asks for current styles.
set(MARKLENS_ATTRIBS_SOURCE ${CMAKE_CURRENT_LIST_DIR}/attribs.xml CACHE INTERNAL "The attribute catalog")

# Copies attribs.xml beside the target's executable whenever the catalog changes.
function(marklens_attribs_beside target)
  get_target_property(dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT dir)
    get_target_property(dir ${target} BINARY_DIR)
  endif()
  set(copy ${dir}/attribs.xml)
  get_property(done DIRECTORY PROPERTY MARKLENS_ATTRIBS_COPIES)
  if(NOT copy IN_LIST done)
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MARKLENS_ATTRIBS_SOURCE} ${copy}
      DEPENDS ${MARKLENS_ATTRIBS_SOURCE}
      COMMENT "Copying attribs.xml beside ${target}")
    set_property(DIRECTORY APPEND PROPERTY MARKLENS_ATTRIBS_COPIES ${copy})
  endif()
  target_sources(${target} PRIVATE ${copy})
endfunction()

install(FILES ${MARKLENS_ATTRIBS_SOURCE} DESTINATION bin)
