# Runs kalvidor-bench --smoke (BENCH) and checks that it ended well and that
# its table has a measured row for every figure.
execute_process(COMMAND ${BENCH} --smoke RESULT_VARIABLE status OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
message("${out}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "kalvidor-bench --smoke ended with ${status}:\n${err}")
endif()
foreach(row
        "Write, unit answering at once"
        "Read, unit answering at once"
        "Write, unit paced at 38400 bit/s"
        "Read, unit paced at 38400 bit/s"
        "CPU during a wait on a silent unit"
        "Length of that wait"
        "Start-up to the main window shown"
        "Peak resident memory after a write and a read")
    string(FIND "${out}" "| ${row} " at)
    if(at EQUAL -1)
        message(FATAL_ERROR "no row \"${row}\" in the table")
    endif()
endforeach()
if(out MATCHES "not measured")
    message(FATAL_ERROR "a figure was not measured")
endif()
