# Runs marklens-cli path on two fixture mirrors and checks what it prints.
function(expect_output expected)
  execute_process(COMMAND ${CLI} path ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(STRIP "${out}" out)
  if(NOT "${out}" STREQUAL "${expected}")
    message(FATAL_ERROR "path ${ARGN}: expected '${expected}', got '${out}' (rc ${rc}, ${err})")
  endif()
endfunction()

expect_output(14 ${DIR}/oldmirror.xml 5 ${DIR}/newmirror.xml)
expect_output(0 ${DIR}/oldmirror.xml 6 ${DIR}/newmirror.xml)
expect_output(10 ${DIR}/oldmirror.xml 1 ${DIR}/newmirror.xml)

execute_process(COMMAND ${CLI} path ${DIR}/oldmirror.xml five ${DIR}/newmirror.xml
                ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 0 OR NOT err MATCHES "usage")
  message(FATAL_ERROR "a selection that is no number must fail with the usage line")
endif()
execute_process(COMMAND ${CLI} path ${DIR}/missing.xml 1 ${DIR}/newmirror.xml
                ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 0 OR NOT err MATCHES "cannot read")
  message(FATAL_ERROR "a missing mirror file must fail clearly")
endif()
