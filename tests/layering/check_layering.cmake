# cmake -DSRC=<src folder> -DWIDGET_HEADERS=<QtWidgets include folder> -P check_layering.cmake
#
# Fails when the sources break the layering of the folders under src/:
# - a folder includes from a folder at its own level or below it (so no two
#   folders include each other);
# - a widget-free folder includes a QtWidgets header;
# - a folder is missing from the list below;
# - a source calls a blocking waitFor… function of a port or device: waits
#   for the unit are event-driven, and on Windows Qt Serial Port's
#   waitForReadyRead and waitForBytesWritten lose notifications.

cmake_minimum_required(VERSION 3.21)

# Lowest first, the folders of one level separated by blanks. A folder may
# include only from folders of a lower level: the link (which opens the
# device it is given) and the files know nothing of each other.
set(levels
    "common" "table" "files link" "document ports session" "messages" "app cli" "main")
set(widget_free common table files link document ports session messages cli)

if(NOT IS_DIRECTORY "${SRC}" OR NOT IS_DIRECTORY "${WIDGET_HEADERS}")
    message(FATAL_ERROR "usage: cmake -DSRC=<src> -DWIDGET_HEADERS=<QtWidgets include dir> -P ${CMAKE_SCRIPT_MODE_FILE}")
endif()

set(level 0)
foreach(entry IN LISTS levels)
    string(REPLACE " " ";" folders_of_level "${entry}")
    foreach(folder IN LISTS folders_of_level)
        set(level_of_${folder} ${level})
    endforeach()
    math(EXPR level "${level} + 1")
endforeach()

file(GLOB widget_header_paths RELATIVE "${WIDGET_HEADERS}" "${WIDGET_HEADERS}/Q*")
set(widget_headers QtWidgets ${widget_header_paths})

set(problems "")
file(GLOB folders RELATIVE "${SRC}" "${SRC}/*")
foreach(folder IN LISTS folders)
    if(NOT IS_DIRECTORY "${SRC}/${folder}")
        continue()
    endif()
    if(NOT DEFINED level_of_${folder})
        list(APPEND problems "src/${folder}: a folder the layering does not know; add it to tests/layering/check_layering.cmake")
        continue()
    endif()
    file(GLOB_RECURSE sources RELATIVE "${SRC}" "${SRC}/${folder}/*.h" "${SRC}/${folder}/*.cpp" "${SRC}/${folder}/*.h.in")
    foreach(source IN LISTS sources)
        file(STRINGS "${SRC}/${source}" blocking REGEX "waitFor(ReadyRead|BytesWritten)[ \t]*\\(")
        foreach(line IN LISTS blocking)
            string(REGEX MATCH "waitFor(ReadyRead|BytesWritten)" call "${line}")
            list(APPEND problems "src/${source}: a blocking wait, ${call}(), where the port's signals serve")
        endforeach()
        file(STRINGS "${SRC}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
        foreach(line IN LISTS includes)
            if(line MATCHES "\"([A-Za-z0-9_]+)/[^\"]+\"")
                set(other ${CMAKE_MATCH_1})
                if(other STREQUAL folder)
                    continue()
                endif()
                if(NOT DEFINED level_of_${other})
                    continue() # a generated or third-party path
                endif()
                if(NOT level_of_${other} LESS level_of_${folder})
                    list(APPEND problems "src/${source}: ${folder}/ may not include from ${other}/ (${line})")
                endif()
            elseif(folder IN_LIST widget_free AND line MATCHES "<(QtWidgets/)?([A-Za-z0-9_]+)(\\.h)?>")
                if(CMAKE_MATCH_1 OR CMAKE_MATCH_2 IN_LIST widget_headers)
                    list(APPEND problems "src/${source}: ${folder}/ needs no widgets but includes ${CMAKE_MATCH_0}")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n" text)
    message(FATAL_ERROR "The folders under src/ break their layering:\n${text}")
endif()
message(STATUS "layering: every folder includes only from the folders below it; the widget-free ones include no widget header")
